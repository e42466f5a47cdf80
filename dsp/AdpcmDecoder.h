#pragma once

#include <cstdint>

namespace korvel {

// Turns the 4-bit codes of AdpcmEncoder back into 16-bit samples, as a
// handset plays them: each code moves the prediction by the reconstruction
// step and adapts the step size, exactly as the encoder tracked it.
class AdpcmDecoder {
public:
    void reset();
    // The sample for one code (0..15).
    std::int16_t decodeCode(int code);
    // Decodes count codes from in, low nibble first, into out.
    void decode(const std::uint8_t* in, std::int16_t* out, int count);

    int predictor = 0;
    int stepSize = 127;
};

}  // namespace korvel
