#pragma once

#include <vector>

#include "formats/SampleSource.h"

namespace korvel::test {

// A SampleSource over interleaved samples held in a vector. It can deliver
// fewer frames per read than asked, and fail after a number of frames, to
// show how its consumers cope.
class VectorSource : public SampleSource {
public:
    VectorSource(std::vector<std::int16_t> samples, int channels, int sampleRate);

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    int seekFrame(std::int64_t frame) override;

    // At most this many frames per read (0: no limit).
    int framesPerRead = 0;
    // Fail with this result once this many frames were delivered (-1: never).
    int failAfterFrames = -1;
    int failure = -5;
    int reads = 0;

private:
    std::vector<std::int16_t> values;
    int next = 0;
};

// Whole-stream helpers for the signal tests.
std::vector<std::int16_t> sine(int frames, double frequency, int sampleRate, double amplitude);
// Amplitude of the component at frequency in samples [from, to), fitted by
// least squares with a sine and a cosine.
double toneAmplitude(const std::vector<std::int16_t>& samples, double frequency, int sampleRate, int from, int to);
// Root mean square of samples [from, to).
double rms(const std::vector<double>& values, int from, int to);

}  // namespace korvel::test
