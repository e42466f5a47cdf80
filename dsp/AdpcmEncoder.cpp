#include "dsp/AdpcmEncoder.h"

#include <algorithm>

#include "dsp/AdpcmTables.h"

namespace korvel {

void AdpcmEncoder::reset()
{
    predictor = 0;
    stepSize = adpcm::kMinStepSize;
}

void AdpcmEncoder::encode(const std::int16_t* samples, std::uint8_t* out, int count)
{
    for (int i = 0; i < count; ++i) {
        const int difference = samples[i] - predictor;
        const int sign = difference < 0 ? adpcm::kSignBit : 0;
        const int m = difference < 0 ? -difference : difference;
        // The quantiser is uniform with step q: k counts how many of q, 2q,
        // ..., 7q the difference reaches.
        // Counted by comparison rather than by dividing m by q: the same k,
        // without a division in the chain from one sample to the next.
        const int q = stepSize / 4;
        int k = 0;
        for (int j = 1, threshold = q; j <= adpcm::kMagnitudeMask; ++j, threshold += q)
            k += m >= threshold ? 1 : 0;
        const int delta = adpcm::reconstructionStep(stepSize, k);
        predictor = std::clamp(sign ? predictor - delta : predictor + delta, -32768, 32767);
        stepSize = adpcm::nextStepSize(stepSize, k);
        storeCode(out, i, sign | k);
    }
}

void AdpcmEncoder::storeCode(std::uint8_t* out, int index, int code)
{
    std::uint8_t& target = out[index / 2];
    if (index % 2 == 0)
        target = static_cast<std::uint8_t>(code & 0x0F);
    else
        target = static_cast<std::uint8_t>((target & 0x0F) | ((code & 0x0F) << 4));
}

}  // namespace korvel
