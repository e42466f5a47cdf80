#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tessal/TessalReader.h"

namespace korvel {

// What "korvel-cli info" prints of a read file: a few lines for a person,
// or one JSON object (ASCII only, every other character escaped).
std::string infoText(const std::string& name, const TessalFile& file);
std::string infoJson(const std::string& name, const TessalFile& file);

// The ADPCM payload decoded to 16-bit samples, channels interleaved: two
// samples a byte for mono, one frame a byte for stereo (left in the low
// nibble), each channel decoded from its own state.
std::vector<std::int16_t> decodePayload(const TessalFile& file, std::span<const std::uint8_t> image);

}  // namespace korvel
