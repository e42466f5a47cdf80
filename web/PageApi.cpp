// The functions the page's worker calls (embind): the check of a chosen
// sound, with the outline of its waveform, and its conversion by the page's
// plan, with the sound a handset will play. Both are the core's two calls.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "formats/ImageFile.h"
#include "job/ConversionJob.h"
#include "job/SettingsRules.h"
#include "job/SoundInput.h"
#include "road/DecodeRoad.h"
#include "road/FileStream.h"
#include "road/MonoMixSource.h"
#include "road/StageResult.h"
#include "road/SourceStage.h"
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

val failure(const std::string& message)
{
    val result = val::object();
    result.set("ok", false);
    result.set("message", message);
    return result;
}

// The loudest value of each of `count` equal parts of the sound, mixed to
// mono as the conversion mixes it, from 0 to 1.
val outline(const std::vector<std::uint8_t>& image, const SoundCheck& sound, int count)
{
    ImageFile file(image);
    FileStream stream(file);
    SourceStage source(sound.kind == SoundKind::aiff, stream);
    const std::int64_t frames = source.frames();
    val peaks = val::global("Float32Array").new_(std::max(count, 0));
    if (source.result() != StageResult::ok || frames <= 0 || count <= 0)
        return peaks;
    MonoMixSource mono(&source.reader());
    std::vector<float> loudest(static_cast<std::size_t>(count), 0.0f);
    std::vector<std::int16_t> block(1 << 16);
    std::int64_t at = 0;
    for (;;) {
        const int n = mono.fill(block.data(), static_cast<int>(block.size()));
        if (n <= 0)
            break;
        for (int i = 0; i < n; ++i, ++at) {
            const auto part = static_cast<std::size_t>(std::min<std::int64_t>(at * count / frames, count - 1));
            loudest[part] = std::max(loudest[part], std::abs(block[static_cast<std::size_t>(i)]) / 32768.0f);
        }
    }
    peaks.call<void>("set", val(emscripten::typed_memory_view(loudest.size(), loudest.data())));
    return peaks;
}

// The sound of a Tessal file as a 16-bit WAV file.
std::vector<std::uint8_t> previewOf(const std::vector<std::uint8_t>& mmf)
{
    ImageFile file(mmf);
    const TessalFile tessal = readTessal(file);
    std::vector<std::uint8_t> wav;
    if (tessal.hasAudio())
        decodeAsWav(tessal, file, [&](const ByteVector& piece) {
            wav.insert(wav.end(), piece.begin(), piece.end());
            return true;
        });
    return wav;
}

// Checks the sound as a drop on the desktop program does: {ok: false,
// message} for a refusal, else {ok: true, title, rate, seconds, rates,
// defaultRate, longestPart, textLimit, peaks}.
val inspect(const val& data, const std::string& name, bool japanese, int peakCount)
{
    try {
        const std::vector<std::uint8_t> image = emscripten::convertJSArrayToNumberVector<std::uint8_t>(data);
        PagePlatform platform(name, image, japanese);
        SoundInput input(name);
        const SoundCheck sound = ConversionJob(platform).inspect(input, ReadPolicy::desktop);
        if (!sound.accepted())
            return failure(platform.messageText(messageNumber(sound.refusal)));
        val result = val::object();
        result.set("ok", true);
        result.set("title", sound.defaultTitle);
        result.set("rate", sound.sampleRate);
        result.set("seconds", sound.seconds.value_or(0.0));
        result.set("rates", intsValue(sound.rates));
        result.set("defaultRate", sound.defaultRate);
        result.set("longestPart", sound.longestPart);
        result.set("textLimit", sound.textLimit);
        result.set("peaks", outline(image, sound, peakCount));
        return result;
    } catch (const std::bad_alloc&) {
        return failure("not enough memory");
    }
}

// The page's plan: {title, copyright, rate, save, transfer, start, length}
// (times in seconds; a length of 0 keeps everything from the start).
ConversionPlan planOf(const val& fields)
{
    ConversionPlan plan;
    plan.title = fields["title"].as<std::string>();
    plan.copyright = fields["copyright"].as<std::string>();
    plan.rate = fields["rate"].as<int>();
    plan.permissions = SettingsRules::permissions(fields["save"].as<bool>(), fields["transfer"].as<bool>());
    plan.part.start = fields["start"].as<double>();
    if (const double length = fields["length"].as<double>(); length > 0)
        plan.part.length = length;
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

// Converts the sound by the page's plan: {ok, message, mmf, preview, cut};
// for a plan the core refuses, what planFault says.
val convert(const val& data, const std::string& name, bool japanese, const val& fields)
{
    try {
        const std::vector<std::uint8_t> image = emscripten::convertJSArrayToNumberVector<std::uint8_t>(data);
        PagePlatform platform(name, image, japanese);
        const ConversionPlan plan = planOf(fields);
        SoundInput input(name);
        const ConversionOutcome outcome = ConversionJob(platform).convert(input, plan);
        if (outcome.kind == ConversionOutcome::Kind::refused && outcome.message() == 0)
            return planFault(outcome, plan);
        const bool written = outcome.kind == ConversionOutcome::Kind::written;
        val result = val::object();
        result.set("ok", written);
        result.set("message", written ? ConversionJob::successText(platform, outcome.bytes)
                                      : outcome.message() != 0 ? platform.messageText(outcome.message()) : std::string());
        result.set("cut", outcome.cut);
        if (written) {
            result.set("mmf", bytesValue(platform.written()));
            result.set("preview", bytesValue(previewOf(platform.written())));
        }
        return result;
    } catch (const std::bad_alloc&) {
        return failure("not enough memory");
    }
}

}  // namespace
}  // namespace korvel

EMSCRIPTEN_BINDINGS(korvel)
{
    emscripten::function("inspect", &korvel::inspect);
    emscripten::function("convert", &korvel::convert);
}
