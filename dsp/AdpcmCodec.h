#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/AdpcmDecoder.h"
#include "dsp/AdpcmEncoder.h"

namespace korvel {

// The 4-bit ADPCM payload of a Tessal file, both ways. Mono: two samples a
// byte, the earlier one in the low nibble. Stereo: one frame a byte, the
// left code in the low nibble and the right one in the high nibble, each
// channel coded from its own state. The writers take what encode makes;
// the way back from a Tessal file to its sound reads it with decode.
class AdpcmCodec {
public:
    // 1 or 2 channels; the state starts as after AdpcmEncoder::reset.
    explicit AdpcmCodec(int channels);

    // The payload bytes that frames frames take.
    static std::size_t payloadBytes(int channels, std::size_t frames);

    // Encodes frames interleaved frames into payloadBytes(channels, frames)
    // bytes, carrying the state on. A mono call with an odd count ends the
    // payload: its last high nibble is 0.
    void encode(const std::int16_t* samples, std::size_t frames, std::uint8_t* payload);
    // Decodes count payload bytes into 2 x count samples, channels
    // interleaved, carrying the state on: a payload may come in blocks.
    void decode(const std::uint8_t* payload, std::size_t count, std::int16_t* samples);

private:
    int channels;
    AdpcmEncoder encoders[2];
    AdpcmDecoder decoders[2];
};

}  // namespace korvel
