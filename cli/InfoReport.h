#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tessal/ByteVector.h"
#include "tessal/TessalReader.h"

namespace korvel {

// What "korvel-cli info" prints of a read file: a few lines for a person,
// or one JSON object in UTF-8.
std::string infoText(const std::string& name, const TessalFile& file);
std::string infoJson(const std::string& name, const TessalFile& file);

// Decodes the ADPCM payload of a read file a block at a time and hands
// each block of 16-bit samples, channels interleaved, to sink: two samples
// a byte for mono, one frame a byte for stereo (left in the low nibble),
// each channel decoded from its own state. False when the file cannot be
// read as far as the payload reaches, or sink refuses a block.
bool decodePayload(const TessalFile& file, InputFile& input,
                   const std::function<bool(const std::int16_t* samples, std::size_t count)>& sink);

// The sound of a read file as a 16-bit WAV file, handed to sink a piece at
// a time: the header, then the samples of each decoded block. The caller
// makes sure the samples fit a WAV file (kMaxWavDataBytes). False as for
// decodePayload, and when sink refuses the header.
bool decodeAsWav(const TessalFile& file, InputFile& input, const std::function<bool(const ByteVector& piece)>& sink);

}  // namespace korvel
