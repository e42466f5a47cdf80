#include "road/DecodeRoad.h"

#include <vector>

#include "dsp/AdpcmCodec.h"
#include "formats/FileWindow.h"
#include "formats/WavFormat.h"

namespace korvel {

namespace {

// The fields of a canonical WAV header with a 16-byte "fmt ": the format
// tag, the byte rate and block align of bitsPerFrame, and the sample width
// as it is written.
void appendFields(ByteVector& out, int tag, int channels, int sampleRate, int bitsPerFrame, int width,
                  std::uint32_t dataBytes, std::uint32_t riffBytes)
{
    appendBytes(out, wav::kRiffId, 4);
    appendLE32(out, riffBytes);
    appendBytes(out, wav::kWaveType, 4);
    appendBytes(out, wav::kFormatId, 4);
    appendLE32(out, 16);
    appendLE16(out, static_cast<std::uint16_t>(tag));
    appendLE16(out, static_cast<std::uint16_t>(channels));
    appendLE32(out, static_cast<std::uint32_t>(sampleRate));
    appendLE32(out, static_cast<std::uint32_t>(bitsPerFrame * sampleRate / 8));
    appendLE16(out, static_cast<std::uint16_t>(bitsPerFrame / 8));
    appendLE16(out, static_cast<std::uint16_t>(width));
    appendBytes(out, wav::kDataId, 4);
    appendLE32(out, dataBytes);
}

}  // namespace

void appendWavFields(ByteVector& out, int channels, int sampleRate, int bitsPerSample, std::uint32_t dataBytes,
                     std::uint32_t riffBytes)
{
    // The sample width field is always 16: the samples are 16-bit values.
    appendFields(out, wav::kFormatPcm, channels, sampleRate, bitsPerSample * channels, 16, dataBytes, riffBytes);
}

void appendWavHeader(ByteVector& out, int channels, int sampleRate, std::uint32_t dataBytes)
{
    appendWavFields(out, channels, sampleRate, 16, dataBytes,
                    dataBytes + static_cast<std::uint32_t>(wav::kCanonicalHeaderBytes - 8));
}

void appendFloatWavHeader(ByteVector& out, int channels, int sampleRate, std::uint32_t dataBytes)
{
    appendFields(out, wav::kFormatFloat, channels, sampleRate, 32 * channels, 32, dataBytes,
                 dataBytes + static_cast<std::uint32_t>(wav::kCanonicalHeaderBytes - 8));
}

bool decodePayload(const TessalFile& file, InputFile& input,
                   const std::function<bool(const std::int16_t* samples, std::size_t count)>& sink)
{
    if (!file.hasAudio())
        return false;
    FileWindow window(input);
    std::vector<std::int16_t> samples(2 * FileWindow::kWindowBytes);
    AdpcmCodec codec(file.channels);
    for (std::size_t done = 0; done < file.adpcmLength;) {
        std::size_t count = file.adpcmLength - done;
        const std::uint8_t* bytes = window.block(file.adpcmOffset + done, count);
        if (window.failed())
            return false;
        codec.decode(bytes, count, samples.data());
        if (!sink(samples.data(), 2 * count))
            return false;
        done += count;
    }
    return true;
}

bool decodeAsWav(const TessalFile& file, InputFile& input, const std::function<bool(const ByteVector& piece)>& sink)
{
    ByteVector bytes;
    appendWavHeader(bytes, file.channels, file.sampleRate, static_cast<std::uint32_t>(4 * static_cast<std::uint64_t>(file.adpcmLength)));
    if (!sink(bytes))
        return false;
    return decodePayload(file, input, [&](const std::int16_t* samples, std::size_t count) {
        bytes.clear();
        for (std::size_t i = 0; i < count; ++i)
            appendLE16(bytes, static_cast<std::uint16_t>(samples[i]));
        return sink(bytes);
    });
}

}  // namespace korvel
