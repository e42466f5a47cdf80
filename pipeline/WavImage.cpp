#include "pipeline/WavImage.h"

#include <algorithm>

namespace korvel {

namespace {

void appendHeader(ByteVector& out, int channels, int sampleRate, int bitsPerSample, std::uint32_t dataBytes,
                  std::uint32_t riffBytes)
{
    appendBytes(out, "RIFF", 4);
    appendLE32(out, riffBytes);
    appendBytes(out, "WAVE", 4);
    appendBytes(out, "fmt ", 4);
    appendLE32(out, 16);
    appendLE16(out, 1);
    appendLE16(out, static_cast<std::uint16_t>(channels));
    appendLE32(out, static_cast<std::uint32_t>(sampleRate));
    appendLE32(out, static_cast<std::uint32_t>(bitsPerSample * channels * sampleRate / 8));
    appendLE16(out, static_cast<std::uint16_t>(bitsPerSample * channels / 8));
    // The sample width field is always 16: the samples are 16-bit values.
    appendLE16(out, 16);
    appendBytes(out, "data", 4);
    appendLE32(out, dataBytes);
}

}  // namespace

void appendWavHeader(ByteVector& out, int channels, int sampleRate, std::uint32_t dataBytes)
{
    appendHeader(out, channels, sampleRate, 16, dataBytes, dataBytes + static_cast<std::uint32_t>(kWavHeaderBytes - 8));
}

void writeWavImage(const ClipFormat& f, const std::vector<std::int16_t>& samples, ByteVector& out)
{
    out.clear();
    out.reserve(kWavHeaderBytes + static_cast<std::size_t>(std::max(f.dataBytes, 0)));
    appendHeader(out, f.channels, f.sampleRate, f.bitsPerSample, static_cast<std::uint32_t>(f.dataBytes), 0);
    const std::size_t count = std::min(samples.size(), static_cast<std::size_t>(std::max(f.frameCount, 0)) * f.channels);
    for (std::size_t i = 0; i < count; ++i)
        appendLE16(out, static_cast<std::uint16_t>(samples[i]));
    putLE32(out.data() + 4, static_cast<std::uint32_t>(out.size() - 8));
}

}  // namespace korvel
