#include "bench/BenchSignals.h"

#include <cmath>

#include "reference/WavImage.h"

namespace korvel::bench {

std::vector<std::int16_t> testSound(int frames, int rate, int channels)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    std::uint32_t seed = 1;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double envelope = 0.5 + 0.5 * std::sin(2 * 3.141592653589793 * 3 * t);
        for (int c = 0; c < channels; ++c) {
            seed = seed * 1664525u + 1013904223u;
            const double noise = static_cast<double>(static_cast<std::int32_t>(seed) >> 20) / 2048.0;
            const double v = envelope * (9000 * std::sin(2 * 3.141592653589793 * (220 + 110 * c) * t) +
                                         5000 * std::sin(2 * 3.141592653589793 * 1870 * t)) +
                             800 * noise;
            out[static_cast<std::size_t>(i) * channels + c] = static_cast<std::int16_t>(v);
        }
    }
    return out;
}

std::vector<std::uint8_t> wavImage(const std::vector<std::int16_t>& interleaved, int channels, int rate)
{
    const ClipFormat format = ClipFormat::of16Bit(rate, channels, static_cast<int>(interleaved.size()) / channels);
    std::vector<std::uint8_t> out;
    writeWavImage(format, interleaved, out);
    return out;
}

}  // namespace korvel::bench
