#pragma once

#include "formats/FourCC.h"

namespace korvel::aiff {

// Identifiers of an AIFF file. The form type "AIFF" follows the "FORM"
// header; the desktop program does not read the compressed form type
// "AIFC", whose "COMM" adds the coding after the rate: big-endian integers
// ("NONE"), little-endian ones ("sowt"), or floating point ("fl32",
// "fl64", which some writers put in capitals), which the wider reader
// (WidePcmReader) takes.
inline constexpr char kFormId[] = "FORM";
inline constexpr char kAiffType[] = "AIFF";
inline constexpr char kCommonId[] = "COMM";
inline constexpr char kSoundId[] = "SSND";
inline constexpr char kAifcType[] = "AIFC";
inline constexpr char kCodingNone[] = "NONE";
inline constexpr char kCodingSwapped[] = "sowt";
inline constexpr char kCodingFloat32[] = "fl32";
inline constexpr char kCodingFloat64[] = "fl64";
inline constexpr char kCodingFloat32Capitals[] = "FL32";
inline constexpr char kCodingFloat64Capitals[] = "FL64";

// "COMM" holds channels (2), frames (4), sample size (2) and the rate as an
// 80-bit extended-precision number (10).
inline constexpr int kCommonBytes = 18;
inline constexpr int kExtendedBytes = 10;

// An exponent of all ones marks infinity or not-a-number.
inline constexpr int kExtendedExponentMax = 0x7FFF;
inline constexpr int kExtendedBias = 16383;

static_assert(fourCC(kFormId) == 0x464F524D && fourCC(kAiffType) == 0x41494646);
static_assert(fourCC(kCommonId) == 0x434F4D4D && fourCC(kSoundId) == 0x53534E44);
static_assert(fourCC(kAifcType) == 0x41494643 && fourCC(kCodingSwapped) == 0x736F7774);
static_assert(fourCC(kCodingFloat32) == 0x666C3332 && fourCC(kCodingFloat64) == 0x666C3634);

}  // namespace korvel::aiff
