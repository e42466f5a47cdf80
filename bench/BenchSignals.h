#pragma once

#include <cstdint>
#include <vector>


namespace korvel::bench {

// The longest clip a file holds: 66.04 s, 528320 samples at 8000 Hz.
inline constexpr int kLongestOutput8k = 528320;

// Speech-like test sound: a few tones under a slow envelope, with noise.
std::vector<std::int16_t> testSound(int frames, int rate, int channels);
// A canonical 16-bit PCM WAV image of interleaved samples.
std::vector<std::uint8_t> wavImage(const std::vector<std::int16_t>& interleaved, int channels, int rate);

}  // namespace korvel::bench
