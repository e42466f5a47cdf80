#include "dsp/AdpcmCodec.h"

namespace korvel {

AdpcmCodec::AdpcmCodec(int channels) : channels(channels == 2 ? 2 : 1)
{
    for (int c = 0; c < 2; ++c) {
        encoders[c].reset();
        decoders[c].reset();
    }
}

std::size_t AdpcmCodec::payloadBytes(int channels, std::size_t frames)
{
    return channels == 2 ? frames : (frames + 1) / 2;
}

void AdpcmCodec::encode(const std::int16_t* samples, std::size_t frames, std::uint8_t* payload)
{
    if (channels == 1) {
        encoders[0].encode(samples, payload, static_cast<int>(frames));
        return;
    }
    for (std::size_t f = 0; f < frames; ++f) {
        std::uint8_t left = 0, right = 0;
        encoders[0].encode(samples + 2 * f, &left, 1);
        encoders[1].encode(samples + 2 * f + 1, &right, 1);
        payload[f] = static_cast<std::uint8_t>(left | (right << 4));
    }
}

void AdpcmCodec::decode(const std::uint8_t* payload, std::size_t count, std::int16_t* samples)
{
    AdpcmDecoder& high = decoders[channels - 1];
    for (std::size_t i = 0; i < count; ++i) {
        samples[2 * i] = decoders[0].decodeCode(payload[i] & 0x0F);
        samples[2 * i + 1] = high.decodeCode(payload[i] >> 4);
    }
}

}  // namespace korvel
