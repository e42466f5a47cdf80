#pragma once

#include <cstdint>
#include <vector>

#include "formats/ClipFormat.h"
#include "tessal/ByteVector.h"

namespace korvel {

// The bytes before the samples in a canonical 16-bit PCM WAV file: "RIFF",
// "WAVE", a 16-byte "fmt " and "data".
inline constexpr std::size_t kWavHeaderBytes = 44;
// The most sample bytes such a file can describe: its RIFF size is 32-bit.
inline constexpr std::uint64_t kMaxWavDataBytes = 0xFFFFFFFFu - (kWavHeaderBytes - 8);

// Appends that header for dataBytes bytes of 16-bit samples; the RIFF size
// counts them as if they followed.
void appendWavHeader(ByteVector& out, int channels, int sampleRate, std::uint32_t dataBytes);

// Writes 16-bit samples as a canonical PCM WAV image into out, the samples
// from offset 44. The format's fields are written as they are; of the
// samples, the first frameCount x channels.
void writeWavImage(const ClipFormat& format, const std::vector<std::int16_t>& samples, ByteVector& out);

}  // namespace korvel
