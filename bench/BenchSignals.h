#pragma once

#include <cstdint>
#include <vector>

#include "formats/SampleSource.h"

namespace korvel::bench {

// The longest clip a file holds: 66.04 s, 528320 samples at 8000 Hz.
inline constexpr int kLongestOutput8k = 528320;

// A mono source over samples held in memory.
class MemorySource : public SampleSource {
public:
    MemorySource(const std::vector<std::int16_t>& samples, int rate);
    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;

private:
    const std::vector<std::int16_t>& values;
    int next = 0;
};

// Speech-like test sound: a few tones under a slow envelope, with noise.
std::vector<std::int16_t> testSound(int frames, int rate, int channels);
// A canonical 16-bit PCM WAV image of interleaved samples.
std::vector<std::uint8_t> wavImage(const std::vector<std::int16_t>& interleaved, int channels, int rate);

}  // namespace korvel::bench
