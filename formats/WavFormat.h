#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/FourCC.h"

namespace korvel::wav {

// Identifiers of a RIFF/WAVE file. The form type "WAVE" follows the "RIFF"
// header as the first four bytes of its data.
inline constexpr char kRiffId[] = "RIFF";
inline constexpr char kWaveType[] = "WAVE";
inline constexpr char kFormatId[] = "fmt ";  // with its trailing blank
inline constexpr char kDataId[] = "data";

// Format tag of integer PCM, the only one the desktop program reads. The
// wider reader (WidePcmReader) also takes floating point and the extensible
// format, whose sub-format GUID begins with the tag it stands for, 16 bytes
// into its 24-byte extension.
inline constexpr int kFormatPcm = 1;
inline constexpr int kFormatFloat = 3;
inline constexpr int kFormatExtensible = 0xFFFE;
inline constexpr int kExtensibleSubFormatAt = 24;
static_assert(kFormatExtensible == 65534 && kExtensibleSubFormatAt == 16 + 8);

// The bytes before the samples in a canonical PCM WAV file: "RIFF", "WAVE",
// a 16-byte "fmt " and "data".
inline constexpr std::size_t kCanonicalHeaderBytes = 44;
// The most sample bytes such a file can describe: its RIFF size is 32-bit.
inline constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFu - (kCanonicalHeaderBytes - 8);
static_assert(kMaxDataBytes == 4294967259u);

static_assert(fourCC(kRiffId) == 0x52494646 && fourCC(kWaveType) == 0x57415645);
static_assert(fourCC(kFormatId) == 0x666D7420 && fourCC(kDataId) == 0x64617461);

}  // namespace korvel::wav
