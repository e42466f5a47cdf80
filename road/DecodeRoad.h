#pragma once

#include <cstdint>
#include <functional>

#include "tessal/ByteVector.h"
#include "tessal/TessalReader.h"

namespace korvel {

class InputFile;

// The way back from a Tessal file to its sound, as every face plays or
// saves it: the ADPCM payload decoded a block at a time, and the sound as a
// 16-bit WAV file.

// Appends the fields of a canonical PCM WAV header: "RIFF" with riffBytes,
// "WAVE", a 16-byte "fmt " for the channels, rate and sample width, and
// "data" with dataBytes. The sample width field is always 16.
void appendWavFields(ByteVector& out, int channels, int sampleRate, int bitsPerSample, std::uint32_t dataBytes,
                     std::uint32_t riffBytes);
// That header for dataBytes bytes of 16-bit samples; the RIFF size counts
// them as if they followed.
void appendWavHeader(ByteVector& out, int channels, int sampleRate, std::uint32_t dataBytes);
// The header of a canonical WAV file of dataBytes bytes of 32-bit
// floating-point samples: a sound decoded elsewhere, handed to the road.
void appendFloatWavHeader(ByteVector& out, int channels, int sampleRate, std::uint32_t dataBytes);

// Decodes the ADPCM payload of a read file a block at a time and hands
// each block of 16-bit samples, channels interleaved, to sink: two samples
// a byte for mono, one frame a byte for stereo (left in the low nibble),
// each channel decoded from its own state. False when the file cannot be
// read as far as the payload reaches, or sink refuses a block.
bool decodePayload(const TessalFile& file, InputFile& input,
                   const std::function<bool(const std::int16_t* samples, std::size_t count)>& sink);

// The sound of a read file as a 16-bit WAV file, handed to sink a piece at
// a time: the header, then the samples of each decoded block. The caller
// makes sure the samples fit a WAV file (wav::kMaxDataBytes). False as for
// decodePayload, and when sink refuses the header.
bool decodeAsWav(const TessalFile& file, InputFile& input, const std::function<bool(const ByteVector& piece)>& sink);

}  // namespace korvel
