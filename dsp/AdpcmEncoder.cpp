#include "dsp/AdpcmEncoder.h"

#include <algorithm>

#include "dsp/AdpcmTables.h"

namespace korvel {

void AdpcmEncoder::reset()
{
    predictor = 0;
    stepSize = adpcm::kMinStepSize;
}

namespace {

// The coder's state in registers: the encoder's members are read once
// before a run and written once after it, never through memory in between
// (the output bytes could otherwise alias them).
struct CoderState {
    int predictor;
    int stepSize;

    // The code of one sample, carrying the state on.
    //
    // The quantiser is uniform with step q = stepSize / 4: the magnitude k
    // counts how many of q, 2q, ..., 7q the difference reaches, counted by
    // comparison rather than by dividing by q. Everything here is
    // arithmetic without a branch: the sign of a sound's differences is as
    // good as random, and a branch on it would be mispredicted half of the
    // time. Each term is truncated as written, so the codes are those of the
    // plain rule (reconstructionStep and nextStepSize).
    int next(int sample)
    {
        // The step size is never below 127, so the quotients are shifts.
        const int step = stepSize;
        const int q = step >> 2;
        // Each threshold at most two additions from q, all side by side.
        const int t2 = q << 1, t3 = q + t2, t4 = q << 2, t5 = q + t4, t6 = t3 << 1, t7 = (q << 3) - q;

        const int d = sample - predictor;
        const int below = d >> 31;  // -1 for a negative difference, else 0
        const int m = (d ^ below) - below;
        // Summed as a tree: the seven comparisons are independent.
        const int k = (((m >= q) + (m >= t2)) + ((m >= t3) + (m >= t4))) + (((m >= t5) + (m >= t6)) + (m >= t7));
        // reconstructionStep(step, k), bit by bit of k, with the sign.
        const int delta =
            ((step >> 3) + (-((k >> 2) & 1) & step)) + ((-((k >> 1) & 1) & (step >> 1)) + (-(k & 1) & q));
        predictor = std::clamp(predictor + ((delta ^ below) - below), -32768, 32767);
        stepSize = std::clamp((step * adpcm::kStepFactors[static_cast<std::size_t>(k)]) >> 8, adpcm::kMinStepSize,
                              adpcm::kMaxStepSize);
        return (-below << 3) | k;
    }
};

static_assert(adpcm::kSignBit == 1 << 3);

}  // namespace

// Two codes make a byte, written whole: the bytes storeCode makes code by code.
void AdpcmEncoder::encode(const std::int16_t* samples, std::uint8_t* out, int count)
{
    CoderState state{predictor, stepSize};
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const int first = state.next(samples[i]);
        const int second = state.next(samples[i + 1]);
        out[i / 2] = static_cast<std::uint8_t>(first | (second << 4));
    }
    if (i < count)
        out[i / 2] = static_cast<std::uint8_t>(state.next(samples[i]));
    predictor = state.predictor;
    stepSize = state.stepSize;
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
