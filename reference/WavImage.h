#pragma once

#include <cstdint>
#include <vector>

#include "formats/ClipFormat.h"
#include "tessal/ByteVector.h"

namespace korvel {

// Writes 16-bit samples as a canonical PCM WAV image into out, the samples
// from offset 44. The format's fields are written as they are; of the
// samples, the first frameCount x channels.
void writeWavImage(const ClipFormat& format, const std::vector<std::int16_t>& samples, ByteVector& out);

}  // namespace korvel
