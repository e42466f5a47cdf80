#include "road/ResampleStage.h"

#include <climits>

#include "dsp/Resampler.h"
#include "road/StageResult.h"
#include "formats/WavFormat.h"

namespace korvel {

StageResult ResampleStage::setup(Resampler& resampler, int inputDataBytes, int outRate, int taps)
{
    if (inputDataBytes > INT_MAX - static_cast<int>(wav::kCanonicalHeaderBytes))
        return StageResult::failed;
    if (resampler.setup(outRate, taps, kMaxTableStep, kMaxTableLength) < 0)
        return StageResult::failed;
    return StageResult::ok;
}

}  // namespace korvel
