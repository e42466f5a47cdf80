#pragma once

#include "road/StageResult.h"

namespace korvel {

class Resampler;

// How every conversion sets its resampler up, whether it streams one sound
// or converts a clip held whole.
class ResampleStage {
public:
    // The filter's length.
    static constexpr int kTaps = 256;
    // Coefficients come from a single-precision table for reduced output
    // steps up to 640, of at most 81920 entries; beyond that each one is
    // computed when it is needed.
    static constexpr int kMaxTableStep = 640;
    static constexpr int kMaxTableLength = 81920;

    // Sets resampler up for outRate with a filter of taps. Returns 0, or
    // StageResult::failed when the resampler refuses, or when its input holds more
    // sample bytes than a WAV image of the clip could describe (a limit the
    // converter has always kept, so that the same sounds are refused).
    static StageResult setup(Resampler& resampler, int inputDataBytes, int outRate, int taps);
};

}  // namespace korvel
