// The functions the page's worker calls (embind): the check of a chosen
// sound, with the outline of its waveform, and its conversion by the page's
// plan, with the sound a handset will play. Both are the core's two calls.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/ImageFile.h"
#include "formats/WavFormat.h"
#include "job/ConversionJob.h"
#include "job/SettingsRules.h"
#include "job/SoundInput.h"
#include "road/DecodeRoad.h"
#include "road/ExcerptStage.h"
#include "road/FileStream.h"
#include "road/MonoMixSource.h"
#include "road/StageResult.h"
#include "road/SourceStage.h"
#include "system/BrowserFile.h"
#include "system/PagePlatform.h"
#include "tessal/TessalReader.h"

namespace korvel {
namespace {

using emscripten::val;

val bytesValue(const std::vector<std::uint8_t>& bytes)
{
    val out = val::global("Uint8Array").new_(bytes.size());
    out.call<void>("set", val(emscripten::typed_memory_view(bytes.size(), bytes.data())));
    return out;
}

val intsValue(const std::vector<int>& values)
{
    val out = val::array();
    for (const int v : values)
        out.call<void>("push", v);
    return out;
}

// A sound the page decoded, held by the call.
class OwnedImage : public InputFile {
public:
    explicit OwnedImage(std::vector<std::uint8_t> bytes) : held(std::move(bytes)), image(held) {}
    std::int64_t size() const override { return image.size(); }
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return image.readAt(offset, destination, count);
    }

private:
    std::vector<std::uint8_t> held;
    ImageFile image;
};

val failure(const std::string& message)
{
    val result = val::object();
    result.set("ok", false);
    result.set("message", message);
    return result;
}

// A message in both languages of the page, {en, ja}, so that a language
// switch says a shown outcome again.
val bothLanguages(const std::function<std::string(Platform&)>& text)
{
    val texts = val::object();
    PagePlatform english(false);
    PagePlatform japanese(true);
    texts.set("en", text(english));
    texts.set("ja", text(japanese));
    return texts;
}

// The files the page holds in memory, by the number hold gave them: each
// is copied here once, however often it is converted, into memory that is
// not first cleared (the copy fills all of it).
struct HeldFile {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
};

std::map<int, HeldFile>& heldFiles()
{
    static std::map<int, HeldFile> files;
    return files;
}

// 0 where memory has no room for it: the page then reads it in slices.
int hold(const val& bytes)
{
    static int last = 0;
    try {
        HeldFile file;
        file.size = bytes["length"].as<std::size_t>();
        file.bytes.reset(new std::uint8_t[file.size]);
        val(emscripten::typed_memory_view(file.size, file.bytes.get())).call<void>("set", bytes);
        heldFiles()[++last] = std::move(file);
        return last;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void release(int number)
{
    heldFiles().erase(number);
}

// The sound as the page hands it over: a chosen file (a Blob), read in
// slices; the number of a file it holds; or a sound the page decoded
// itself, {samples, rate, channels} (32-bit floating point, channels
// interleaved), as a WAV file of them.
std::unique_ptr<InputFile> soundOf(const val& source)
{
    if (source.instanceof(val::global("Blob")))
        return std::make_unique<BrowserFile>(source);
    if (source.isNumber()) {
        const HeldFile& held = heldFiles().at(source.as<int>());
        return std::make_unique<ImageFile>(std::span<const std::uint8_t>(held.bytes.get(), held.size));
    }
    const val samples = source["samples"];
    const std::size_t bytes = samples["length"].as<std::size_t>() * sizeof(float);
    if (bytes > wav::kMaxDataBytes)
        throw std::bad_alloc();
    ByteVector image;
    image.reserve(wav::kCanonicalHeaderBytes + bytes);
    appendFloatWavHeader(image, source["channels"].as<int>(), source["rate"].as<int>(), static_cast<std::uint32_t>(bytes));
    // The samples' bytes straight after the header: WebAssembly is
    // little-endian, as the samples of a WAV file are.
    const std::size_t header = image.size();
    image.resize(header + bytes);
    val(emscripten::typed_memory_view(bytes, image.data() + header))
        .call<void>("set", val::global("Uint8Array").new_(samples["buffer"], samples["byteOffset"], bytes));
    return std::make_unique<OwnedImage>(std::move(image));
}

// The loudest value of each of `count` equal parts of the sound, mixed to
// mono as the conversion mixes it, from 0 to 1; progress(fraction) hears
// how far the pass is.
val outline(InputFile& file, const SoundCheck& sound, int count, const val& progress)
{
    FileStream stream(file);
    std::unique_ptr<SourceStage> source = SourceStage::openAny(sound.kind, file, stream);
    const std::int64_t frames = source->frames();
    val peaks = val::global("Float32Array").new_(std::max(count, 0));
    if (source->result() != StageResult::ok || frames <= 0 || count <= 0)
        return peaks;
    MonoMixSource mono(&source->reader());
    std::vector<std::int16_t> block(1 << 16);
    // Part p holds the frames from p x frames / count on; the loudest
    // sample of each is found first, and scaled once.
    std::vector<int> largest(static_cast<std::size_t>(count), 0);
    std::int64_t at = 0;
    int part = 0;
    std::int64_t nextPart = frames / count;
    for (int n; (n = mono.fill(block.data(), static_cast<int>(block.size()))) > 0;) {
        for (int i = 0; i < n; ++i, ++at) {
            while (at >= nextPart && part < count - 1)
                nextPart = (++part + std::int64_t{1}) * frames / count;
            largest[static_cast<std::size_t>(part)] =
                std::max(largest[static_cast<std::size_t>(part)], std::abs(static_cast<int>(block[static_cast<std::size_t>(i)])));
        }
        progress(static_cast<double>(at) / static_cast<double>(frames));
    }
    for (int p = 0; p < count; ++p)
        peaks.set(p, static_cast<float>(largest[static_cast<std::size_t>(p)]) / 32768.0f);
    return peaks;
}

// The sound of a Tessal file as a 16-bit WAV file: what a handset will
// play, asked for once the outcome is shown.
val preview(const val& data)
{
    const std::vector<std::uint8_t> mmf = emscripten::convertJSArrayToNumberVector<std::uint8_t>(data);
    ImageFile file(mmf);
    const TessalFile tessal = readTessal(file);
    std::vector<std::uint8_t> wav;
    if (tessal.hasAudio())
        decodeAsWav(tessal, file, [&](const ByteVector& piece) {
            wav.insert(wav.end(), piece.begin(), piece.end());
            return true;
        });
    return bytesValue(wav);
}

val checkValue(const SoundCheck& sound)
{
    val result = val::object();
    result.set("ok", true);
    result.set("title", sound.defaultTitle);
    result.set("rate", sound.sampleRate);
    result.set("seconds", sound.seconds.value_or(0.0));
    result.set("rates", intsValue(sound.rates));
    result.set("defaultRate", sound.defaultRate);
    result.set("longestPart", sound.longestPart);
    result.set("textLimit", sound.textLimit);
    return result;
}

// Checks the sound as korvel-cli does: {ok: false, message} for a refusal
// (with decodable: true where the page may decode it itself), else {ok:
// true, title, rate, seconds, rates, defaultRate, longestPart, textLimit,
// peaks}.
val inspect(const val& source, const std::string& name, bool japanese, int peakCount, const val& progress)
{
    try {
        const std::unique_ptr<InputFile> file = soundOf(source);
        PagePlatform platform(japanese);
        SoundInput input(name, *file, "");
        const SoundCheck sound = ConversionJob(platform).inspect(input, ReadPolicy::everyReader);
        if (!sound.accepted()) {
            val result = failure(platform.messageText(messageNumber(sound.refusal)));
            result.set("messages", bothLanguages([&](Platform& p) {
                           return p.messageText(messageNumber(sound.refusal));
                       }));
            std::uint8_t head[4] = {};
            result.set("decodable", file->readAt(0, head, 4) == 4 && kindOfFirstBytes(head) == SoundKind::other);
            return result;
        }
        input.close();
        val result = checkValue(sound);
        result.set("peaks", outline(*file, sound, peakCount, progress));
        return result;
    } catch (const std::bad_alloc&) {
        return failure("not enough memory");
    }
}

// A number of the plan, 0 where the page leaves it out.
double numberOf(const val& fields, const char* name)
{
    const val value = fields[name];
    return value.isNumber() ? value.as<double>() : 0.0;
}

// The page's plan: {title, copyright, rate, save, transfer, start, length,
// fadeIn, fadeOut, normalize} (times in seconds; a length of 0 keeps
// everything from the start).
ConversionPlan planOf(const val& fields)
{
    ConversionPlan plan;
    plan.policy = ReadPolicy::everyReader;
    plan.title = fields["title"].as<std::string>();
    plan.copyright = fields["copyright"].as<std::string>();
    plan.rate = fields["rate"].as<int>();
    plan.permissions = SettingsRules::permissions(fields["save"].as<bool>(), fields["transfer"].as<bool>());
    plan.part.start = numberOf(fields, "start");
    if (const double length = numberOf(fields, "length"); length > 0)
        plan.part.length = length;
    plan.part.fadeIn = numberOf(fields, "fadeIn");
    plan.part.fadeOut = numberOf(fields, "fadeOut");
    if (fields["normalize"].isTrue())
        plan.loudness = ConversionPlan::kStandardLoudness;
    return plan;
}

// What the page says of a plan the core refused: the field and its limit
// for a text too long, the rates for a rate the sound cannot have.
val planFault(const ConversionOutcome& outcome, const ConversionPlan& plan)
{
    val result = failure("");
    if (outcome.refusal == Refusal::titleTooLong || outcome.refusal == Refusal::copyrightTooLong) {
        result.set("tooLong", std::string(outcome.refusal == Refusal::titleTooLong ? "title" : "copyright"));
        result.set("limit", SettingsRules::textLimit());
    } else if (outcome.refusal == Refusal::rateNotAllowed) {
        result.set("fault", std::string("rate"));
        result.set("rate", plan.rate.value_or(0));
        result.set("soundRate", outcome.sound.sampleRate);
    } else {
        result.set("fault", std::string("plan"));
    }
    return result;
}

// Converts the sound by the page's plan: {ok, message, messages, mmf,
// cut}; for a plan the core refuses, what planFault says.
val convert(const val& source, const std::string& name, bool japanese, const val& fields)
{
    try {
        const std::unique_ptr<InputFile> file = soundOf(source);
        PagePlatform platform(japanese);
        const ConversionPlan plan = planOf(fields);
        SoundInput input(name, *file, "");
        const ConversionOutcome outcome = ConversionJob(platform).convert(input, plan);
        if (outcome.kind == ConversionOutcome::Kind::refused && outcome.message() == 0)
            return planFault(outcome, plan);
        const bool written = outcome.kind == ConversionOutcome::Kind::written;
        val result = val::object();
        result.set("ok", written);
        const auto said = [&](Platform& p) {
            return written ? ConversionJob::successText(p, outcome.bytes)
                           : outcome.message() != 0 ? p.messageText(outcome.message()) : std::string();
        };
        result.set("message", said(platform));
        result.set("messages", bothLanguages(said));
        result.set("cut", outcome.cut);
        if (written)
            result.set("mmf", bytesValue(platform.written()));
        return result;
    } catch (const std::bad_alloc&) {
        return failure("not enough memory");
    }
}

// The part of the sound as the plan takes it, with its fades (not its
// loudness, which the whole conversion finds), as long as a file keeps,
// mixed to mono at the sound's own rate: a 16-bit WAV file to hear before
// converting, empty for a sound the converter refuses.
val listen(const val& source, const std::string& name, const val& fields)
{
    try {
        const std::unique_ptr<InputFile> file = soundOf(source);
        PagePlatform platform(false);
        SoundInput input(name, *file, "");
        const SoundCheck sound = ConversionJob(platform).inspect(input, ReadPolicy::everyReader);
        ByteVector wav;
        if (sound.accepted()) {
            input.close();
            FileStream stream(*file);
            const std::unique_ptr<SourceStage> stage = SourceStage::openAny(sound.kind, *file, stream);
            ExcerptStage part(&stage->reader(), stage->frames(), planOf(fields).part);
            part.prepare();
            MonoMixSource mono(&part);
            // No more than a file keeps: a part that runs to the end of a
            // long sound is cut where the file is full.
            const auto kept = static_cast<int>(std::min<std::int64_t>(
                part.format.frameCount, std::llround(sound.longestPart * sound.sampleRate)));
            std::vector<std::int16_t> samples(static_cast<std::size_t>(kept));
            const int got = mono.fill(samples.data(), kept);
            samples.resize(static_cast<std::size_t>(std::max(got, 0)));
            appendWavHeader(wav, 1, sound.sampleRate, static_cast<std::uint32_t>(2 * samples.size()));
            for (const std::int16_t v : samples)
                appendLE16(wav, static_cast<std::uint16_t>(v));
        }
        return bytesValue(wav);
    } catch (const std::bad_alloc&) {
        return bytesValue({});
    }
}

// The size and play time of the file the plan makes of a sound of that
// rate and length, as the page shows them: {size, seconds}.
val estimate(int rate, double seconds, const val& fields)
{
    SoundCheck sound;
    sound.sampleRate = rate;
    sound.seconds = seconds;
    SettingsRules::describe(sound);
    const ConversionJob::ExpectedFile file = ConversionJob::expected(sound, planOf(fields));
    val result = val::object();
    result.set("size", ConversionJob::sizeText(file.bytes));
    result.set("seconds", file.seconds);
    return result;
}

// The frames of a sound at that rate the plan's part takes, from its first
// up to the end of the part: {first, end}. The page decodes only those of
// a sound it decodes itself, and converts them as a sound of their own.
val partFrames(int rate, const val& fields)
{
    const SoundPart part = planOf(fields).part;
    const ExcerptStage::Span span = ExcerptStage::spanOf(part, rate, INT64_MAX / 4, INT64_MAX);
    val result = val::object();
    result.set("first", static_cast<double>(span.first));
    result.set("end", static_cast<double>(span.first + span.count));
    return result;
}

}  // namespace
}  // namespace korvel

EMSCRIPTEN_BINDINGS(korvel)
{
    emscripten::function("inspect", &korvel::inspect);
    emscripten::function("convert", &korvel::convert);
    emscripten::function("estimate", &korvel::estimate);
    emscripten::function("listen", &korvel::listen);
    emscripten::function("preview", &korvel::preview);
    emscripten::function("hold", &korvel::hold);
    emscripten::function("release", &korvel::release);
    emscripten::function("partFrames", &korvel::partFrames);
}
