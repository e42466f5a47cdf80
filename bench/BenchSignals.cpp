#include "bench/BenchSignals.h"

#include <algorithm>
#include <cmath>

namespace korvel::bench {

MemorySource::MemorySource(const std::vector<std::int16_t>& samples, int rate) : values(samples)
{
    channels = 1;
    bitsPerSample = 16;
    bytesPerSample = 2;
    blockAlign = 2;
    sampleRate = rate;
    frameCount = static_cast<std::int32_t>(samples.size());
    dataBytes = 2 * frameCount;
}

int MemorySource::read(std::int16_t* destination, int frames)
{
    const int n = std::max(0, std::min(frames, frameCount - next));
    std::copy_n(values.begin() + next, n, destination);
    next += n;
    return n;
}

int MemorySource::readBytes(std::uint8_t*, int)
{
    return -1;
}

int MemorySource::rewind()
{
    next = 0;
    return 0;
}

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
    std::vector<std::uint8_t> out;
    auto le = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(interleaved.size() * 2);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    le(36 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le(16, 4);
    le(1, 2);
    le(static_cast<std::uint32_t>(channels), 2);
    le(static_cast<std::uint32_t>(rate), 4);
    le(static_cast<std::uint32_t>(rate * channels * 2), 4);
    le(static_cast<std::uint32_t>(channels * 2), 2);
    le(16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    le(dataBytes, 4);
    for (std::int16_t v : interleaved)
        le(static_cast<std::uint16_t>(v), 2);
    return out;
}

}  // namespace korvel::bench
