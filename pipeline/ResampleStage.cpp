#include "pipeline/ResampleStage.h"

#include <climits>

#include "dsp/Resampler.h"
#include "pipeline/ResultCodes.h"
#include "pipeline/WavImage.h"

namespace korvel {

int ResampleStage::setup(Resampler& resampler, int inputDataBytes, int outRate, int taps)
{
    if (inputDataBytes > INT_MAX - static_cast<int>(kWavHeaderBytes))
        return kFailed;
    if (resampler.setup(outRate, taps, kMaxTableStep, kMaxTableLength) < 0)
        return kFailed;
    return kOk;
}

}  // namespace korvel
