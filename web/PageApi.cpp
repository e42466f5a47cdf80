// The functions the page's worker calls (embind): the check of a chosen
// sound, with the outline of its waveform, and its conversion, with the
// sound a handset will play. Both run the conversion job of every face.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "road/DecodeRoad.h"
#include "formats/ImageFile.h"
#include "job/ConversionJob.h"
#include "road/FileStream.h"
#include "road/MonoMixSource.h"
#include "system/PathParts.h"
#include "road/ResultCodes.h"
#include "job/SettingsRules.h"
#include "road/SourceStage.h"
#include "tessal/ContentInfo.h"
#include "tessal/TagValue.h"
#include "tessal/TessalReader.h"
#include "web/PageHost.h"
#include "system/PagePlatform.h"

namespace korvel {
namespace {

using emscripten::val;

val bytesValue(const std::vector<std::uint8_t>& bytes)
{
    val out = val::global("Uint8Array").new_(bytes.size());
    out.call<void>("set", val(emscripten::typed_memory_view(bytes.size(), bytes.data())));
    return out;
}

val failure(const std::string& message)
{
    val result = val::object();
    result.set("ok", false);
    result.set("message", message);
    return result;
}

// The sound's length in seconds and the loudest value of each of `count`
// equal parts of it, mixed to mono as the conversion mixes it, from 0 to 1:
// {seconds, peaks}.
val outline(const std::vector<std::uint8_t>& image, bool isAiff, int count)
{
    ImageFile file(image);
    FileStream stream(file);
    SourceStage source(isAiff, stream);
    const std::int64_t frames = source.frames();
    val result = val::object();
    result.set("seconds", source.format().sampleRate > 0 ? static_cast<double>(frames) / source.format().sampleRate : 0.0);
    val peaks = val::global("Float32Array").new_(count);
    result.set("peaks", peaks);
    if (source.result() != kOk || frames <= 0 || count <= 0)
        return result;
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
    return result;
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
// message} for a refusal, else {ok: true, baseName, rate, seconds, peaks}.
val probe(const val& data, const std::string& name, bool japanese, int peakCount)
{
    try {
        const std::vector<std::uint8_t> image = emscripten::convertJSArrayToNumberVector<std::uint8_t>(data);
        PagePlatform platform(name, image, japanese);
        PageHost host(std::nullopt);
        ConversionJob job(host, platform);
        const ConversionOutcome outcome = job.convertFile(name);
        if (outcome.kind != ConversionOutcome::Kind::cancelled)
            return failure(host.message());
        val result = outline(image, equalsIgnoringCase(splitPath(name).extension, ".aif"), peakCount);
        result.set("ok", true);
        result.set("baseName", host.baseName());
        result.set("rate", host.inputRate());
        return result;
    } catch (const std::bad_alloc&) {
        return failure("not enough memory");
    }
}

// Converts the sound with the page's settings and the part chosen (start
// and length in seconds; a length of 0 keeps everything from the start):
// {ok, message, mmf, preview, cut}; for a text longer than a file holds
// {ok: false, tooLong: "title" | "copyright", limit} before anything else.
val convert(const val& data, const std::string& name, bool japanese, const std::string& title,
            const std::string& copyright, int rate, bool save, bool transfer, double start, double length)
{
    try {
        // A text longer than the file holds is refused, not cut: the page
        // says so, with the limit.
        for (const auto& [field, text] : {std::pair<const char*, const std::string&>{"title", title}, {"copyright", copyright}}) {
            if (utf8ValueBytes(text.c_str(), TextCoding::utf8) > ContentInfo::kMaxTextBytes) {
                val result = failure("");
                result.set("tooLong", std::string(field));
                result.set("limit", ContentInfo::kMaxTextBytes);
                return result;
            }
        }
        const std::vector<std::uint8_t> image = emscripten::convertJSArrayToNumberVector<std::uint8_t>(data);
        PagePlatform platform(name, image, japanese);
        ConversionSettings settings;
        settings.accepted = true;
        settings.title = title;
        settings.copyright = copyright;
        settings.outRate = rate;
        settings.permissions = SettingsRules::permissions(save, transfer);
        PageHost host(settings);
        ConversionRequest request;
        request.excerpt.start = start;
        if (length > 0)
            request.excerpt.length = length;
        ConversionJob job(host, platform);
        const ConversionOutcome outcome = job.convertFile(name, request);
        const bool written = outcome.kind == ConversionOutcome::Kind::written;
        val result = val::object();
        result.set("ok", written);
        result.set("message", host.message());
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
    emscripten::function("probe", &korvel::probe);
    emscripten::function("convert", &korvel::convert);
}
