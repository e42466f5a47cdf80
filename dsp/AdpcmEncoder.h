#pragma once

#include <cstdint>

namespace korvel {

// Encodes signed 16-bit samples of one channel into 4-bit adaptive
// differential codes, two to a byte, the first sample of each pair in the
// low nibble. Integer arithmetic only, so the output is exactly reproducible.
//
// After reset, the sample 1000 gives code 7: predictor 236, stepSize 304.
// Silence packs into bytes 0x80 (codes 0, 8, 0, 8, ...).
class AdpcmEncoder {
public:
    // Predictor 0, step size 127: done before every channel.
    void reset();
    // Encodes count samples in order into out, which has room for
    // (count + 1) / 2 bytes, carrying the state on from sample to sample.
    // With an odd count the last byte's high nibble is 0.
    void encode(const std::int16_t* samples, std::uint8_t* out, int count);
    // Puts the 4-bit code of sample number index into its nibble: an even
    // index sets the whole byte (high nibble 0), an odd one only the high
    // nibble, so out need not be cleared beforehand.
    static void storeCode(std::uint8_t* out, int index, int code);

    // What a decoder holds after the codes so far: -32768..32767.
    int predictor = 0;
    // The current quantiser step: 127..24576.
    int stepSize = 127;
};

}  // namespace korvel
