#include "road/DecodeRoad.h"

#include <vector>

#include "dsp/AdpcmCodec.h"
#include "formats/FileWindow.h"
#include "formats/WavFormat.h"

namespace korvel {

void appendWavFields(ByteVector& out, int channels, int sampleRate, int bitsPerSample, std::uint32_t dataBytes,
                     std::uint32_t riffBytes)
{
    appendBytes(out, wav::kRiffId, 4);
    appendLE32(out, riffBytes);
    appendBytes(out, wav::kWaveType, 4);
    appendBytes(out, wav::kFormatId, 4);
    appendLE32(out, 16);
    appendLE16(out, wav::kFormatPcm);
    appendLE16(out, static_cast<std::uint16_t>(channels));
    appendLE32(out, static_cast<std::uint32_t>(sampleRate));
    appendLE32(out, static_cast<std::uint32_t>(bitsPerSample * channels * sampleRate / 8));
    appendLE16(out, static_cast<std::uint16_t>(bitsPerSample * channels / 8));
    // The sample width field is always 16: the samples are 16-bit values.
    appendLE16(out, 16);
    appendBytes(out, wav::kDataId, 4);
    appendLE32(out, dataBytes);
}

void appendWavHeader(ByteVector& out, int channels, int sampleRate, std::uint32_t dataBytes)
{
    appendWavFields(out, channels, sampleRate, 16, dataBytes,
                    dataBytes + static_cast<std::uint32_t>(wav::kCanonicalHeaderBytes - 8));
}

void appendFloatWavHeader(ByteVector& out, int channels, int sampleRate, std::uint32_t dataBytes)
{
    const std::uint32_t frameBytes = 4 * static_cast<std::uint32_t>(channels);
    appendBytes(out, wav::kRiffId, 4);
    appendLE32(out, dataBytes + static_cast<std::uint32_t>(wav::kCanonicalHeaderBytes - 8));
    appendBytes(out, wav::kWaveType, 4);
    appendBytes(out, wav::kFormatId, 4);
    appendLE32(out, 16);
    appendLE16(out, wav::kFormatFloat);
    appendLE16(out, static_cast<std::uint16_t>(channels));
    appendLE32(out, static_cast<std::uint32_t>(sampleRate));
    appendLE32(out, frameBytes * static_cast<std::uint32_t>(sampleRate));
    appendLE16(out, static_cast<std::uint16_t>(frameBytes));
    appendLE16(out, 32);
    appendBytes(out, wav::kDataId, 4);
    appendLE32(out, dataBytes);
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
