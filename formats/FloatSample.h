#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvel {

// A floating-point sample as a 16-bit one. Full scale is 1.0: the 16-bit
// value below it, as the integer widths give, what passes full scale at its
// limit, and a value that is no number (which no sound is) as silence.
// Every reader of floating-point sound takes it, so each gives the same
// frames.
inline std::int16_t sampleOfFloat(float value)
{
    const float scaled = std::floor(value * 32768.0f);
    if (std::isnan(scaled))
        return 0;
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

}  // namespace korvel
