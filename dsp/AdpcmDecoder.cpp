#include "dsp/AdpcmDecoder.h"

#include <algorithm>

#include "dsp/AdpcmTables.h"

namespace korvel {

void AdpcmDecoder::reset()
{
    predictor = 0;
    stepSize = adpcm::kMinStepSize;
}

std::int16_t AdpcmDecoder::decodeCode(int code)
{
    const int k = code & adpcm::kMagnitudeMask;
    const int delta = adpcm::reconstructionStep(stepSize, k);
    predictor = std::clamp((code & adpcm::kSignBit) ? predictor - delta : predictor + delta, -32768, 32767);
    stepSize = adpcm::nextStepSize(stepSize, k);
    return static_cast<std::int16_t>(predictor);
}

void AdpcmDecoder::decode(const std::uint8_t* in, std::int16_t* out, int count)
{
    for (int i = 0; i < count; ++i) {
        const int byte = in[i / 2];
        out[i] = decodeCode(i % 2 == 0 ? byte & 0x0F : byte >> 4);
    }
}

}  // namespace korvel
