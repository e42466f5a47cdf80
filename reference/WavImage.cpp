#include "reference/WavImage.h"

#include <algorithm>

#include "formats/WavFormat.h"
#include "road/DecodeRoad.h"

namespace korvel {

void writeWavImage(const ClipFormat& f, const std::vector<std::int16_t>& samples, ByteVector& out)
{
    out.clear();
    out.reserve(wav::kCanonicalHeaderBytes + static_cast<std::size_t>(std::max(f.dataBytes, 0)));
    appendWavFields(out, f.channels, f.sampleRate, f.bitsPerSample, static_cast<std::uint32_t>(f.dataBytes), 0);
    const std::size_t count = std::min(samples.size(), static_cast<std::size_t>(std::max(f.frameCount, 0)) * f.channels);
    for (std::size_t i = 0; i < count; ++i)
        appendLE16(out, static_cast<std::uint16_t>(samples[i]));
    putLE32(out.data() + 4, static_cast<std::uint32_t>(out.size() - 8));
}

}  // namespace korvel
