#pragma once

#include <cstdint>

namespace korvel {

// The computation of a resampler's outputs, chosen once at setup: the plain
// engine (the reference) or the lane engine. Both read their input from the
// resampler's source and compute the same samples to the last bit.
class ResamplingEngine {
public:
    virtual ~ResamplingEngine() = default;

    // Writes up to count (at least 1) output samples into destination; the
    // number written, 0 once the last one was delivered, or the source's
    // failure (negative) as it came.
    virtual int read(std::int16_t* destination, int count) = 0;
    // The source has delivered its last sample.
    virtual bool sourceEnded() const = 0;
    // The last output was delivered.
    virtual bool finished() const = 0;
};

}  // namespace korvel
