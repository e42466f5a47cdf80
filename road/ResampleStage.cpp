#include "road/ResampleStage.h"

#include <climits>

#include "dsp/Resampler.h"
#include "road/ResultCodes.h"
#include "formats/WavFormat.h"

namespace korvel {

int ResampleStage::setup(Resampler& resampler, int inputDataBytes, int outRate, int taps)
{
    if (inputDataBytes > INT_MAX - static_cast<int>(wav::kCanonicalHeaderBytes))
        return kFailed;
    if (resampler.setup(outRate, taps, kMaxTableStep, kMaxTableLength) < 0)
        return kFailed;
    return kOk;
}

}  // namespace korvel
