#include "pipeline/WavImage.h"

#include <algorithm>

namespace korvel {

void writeWavImage(const ClipFormat& f, const std::vector<std::int16_t>& samples, ByteVector& out)
{
    out.clear();
    out.reserve(44 + static_cast<std::size_t>(std::max(f.dataBytes, 0)));
    appendBytes(out, "RIFF", 4);
    appendLE32(out, 0);
    appendBytes(out, "WAVE", 4);
    appendBytes(out, "fmt ", 4);
    appendLE32(out, 16);
    appendLE16(out, 1);
    appendLE16(out, f.channels);
    appendLE32(out, static_cast<std::uint32_t>(f.sampleRate));
    appendLE32(out, static_cast<std::uint32_t>(f.bitsPerSample * f.channels * f.sampleRate / 8));
    appendLE16(out, static_cast<std::uint16_t>(f.bitsPerSample * f.channels / 8));
    // The sample width field is always 16: the samples are 16-bit values.
    appendLE16(out, 16);
    appendBytes(out, "data", 4);
    appendLE32(out, static_cast<std::uint32_t>(f.dataBytes));
    const std::size_t count = std::min(samples.size(), static_cast<std::size_t>(std::max(f.frameCount, 0)) * f.channels);
    for (std::size_t i = 0; i < count; ++i)
        appendLE16(out, static_cast<std::uint16_t>(samples[i]));
    putLE32(out.data() + 4, static_cast<std::uint32_t>(out.size() - 8));
}

}  // namespace korvel
