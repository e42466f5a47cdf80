#include "dsp/AdpcmEncoder.h"

#include <algorithm>

#include "dsp/AdpcmTables.h"

namespace korvel {

void AdpcmEncoder::reset()
{
    predictor = 0;
    stepSize = adpcm::kMinStepSize;
}

// The code of one sample, carrying the state on.
inline int AdpcmEncoder::next(int sample)
{
    const int difference = sample - predictor;
    const int sign = difference < 0 ? adpcm::kSignBit : 0;
    const int m = difference < 0 ? -difference : difference;
    // The quantiser is uniform with step q: k counts how many of q, 2q,
    // ..., 7q the difference reaches. Counted by comparison rather than by
    // dividing m by q: the same k, without a division in the chain from one
    // sample to the next.
    const int q = stepSize / 4;
    int k = 0;
    for (int j = 1, threshold = q; j <= adpcm::kMagnitudeMask; ++j, threshold += q)
        k += m >= threshold ? 1 : 0;
    const int delta = adpcm::reconstructionStep(stepSize, k);
    predictor = std::clamp(sign ? predictor - delta : predictor + delta, -32768, 32767);
    stepSize = adpcm::nextStepSize(stepSize, k);
    return sign | k;
}

// Two codes make a byte, written whole: the bytes storeCode makes code by code.
void AdpcmEncoder::encode(const std::int16_t* samples, std::uint8_t* out, int count)
{
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const int first = next(samples[i]);
        const int second = next(samples[i + 1]);
        out[i / 2] = static_cast<std::uint8_t>(first | (second << 4));
    }
    if (i < count)
        out[i / 2] = static_cast<std::uint8_t>(next(samples[i]));
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
