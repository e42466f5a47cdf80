#pragma once

#include <array>

namespace korvel::adpcm {

// The 4-bit codes: bit 3 is the sign (the sample lies below the prediction),
// bits 0-2 the magnitude k of the difference in quarters of the step size.
inline constexpr int kSignBit = 8;
inline constexpr int kMagnitudeMask = 7;

// The step size starts at its minimum and stays within these bounds.
inline constexpr int kMinStepSize = 127;
inline constexpr int kMaxStepSize = 24576;

// After a code of magnitude k the step size becomes step x factor[k] / 256:
// it shrinks after small differences and grows after large ones.
inline constexpr std::array<int, 8> kStepFactors = {230, 230, 230, 230, 307, 409, 512, 614};

// Check values: the factors add up to 2762, and the first step after a code
// of magnitude 7 is 127 x 614 / 256 = 304.
static_assert(kStepFactors[0] + kStepFactors[1] + kStepFactors[2] + kStepFactors[3] + kStepFactors[4] +
                  kStepFactors[5] + kStepFactors[6] + kStepFactors[7] ==
              2762);
static_assert((kMinStepSize * kStepFactors[7]) >> 8 == 304);

// The change of the prediction for a code of magnitude k at step size s:
// s, s / 2 and s / 4 for bits 2, 1 and 0 of k, plus s / 8, each term
// truncated on its own. The encoder and the decoder both use it, which is
// what keeps them in step sample for sample.
constexpr int reconstructionStep(int stepSize, int magnitude)
{
    int delta = stepSize / 8;
    if (magnitude & 4)
        delta += stepSize;
    if (magnitude & 2)
        delta += stepSize / 2;
    if (magnitude & 1)
        delta += stepSize / 4;
    return delta;
}

static_assert(reconstructionStep(127, 7) == 236);

// The step size after a code of magnitude k, kept within its bounds.
constexpr int nextStepSize(int stepSize, int magnitude)
{
    int next = (stepSize * kStepFactors[static_cast<std::size_t>(magnitude)]) >> 8;
    if (next < kMinStepSize)
        next = kMinStepSize;
    if (next > kMaxStepSize)
        next = kMaxStepSize;
    return next;
}

}  // namespace korvel::adpcm
