#pragma once

#include "formats/FourCC.h"

namespace korvel::aiff {

// Identifiers of an AIFF file. The form type "AIFF" follows the "FORM"
// header; the compressed form type is not read.
inline constexpr char kFormId[] = "FORM";
inline constexpr char kAiffType[] = "AIFF";
inline constexpr char kCommonId[] = "COMM";
inline constexpr char kSoundId[] = "SSND";

// "COMM" holds channels (2), frames (4), sample size (2) and the rate as an
// 80-bit extended-precision number (10).
inline constexpr int kCommonBytes = 18;
inline constexpr int kExtendedBytes = 10;

// An exponent of all ones marks infinity or not-a-number.
inline constexpr int kExtendedExponentMax = 0x7FFF;
inline constexpr int kExtendedBias = 16383;

static_assert(fourCC(kFormId) == 0x464F524D && fourCC(kAiffType) == 0x41494646);
static_assert(fourCC(kCommonId) == 0x434F4D4D && fourCC(kSoundId) == 0x53534E44);

}  // namespace korvel::aiff
