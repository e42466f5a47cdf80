#include "dsp/AdpcmCodec.h"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace korvel {
namespace {

std::vector<std::int16_t> wobble(std::size_t count, int seed)
{
    std::vector<std::int16_t> out(count);
    std::uint32_t state = static_cast<std::uint32_t>(seed);
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        out[i] = static_cast<std::int16_t>(static_cast<int>(i % 400) * 150 - 30000 + static_cast<int>(state >> 22));
    }
    return out;
}

// Both layouts against one encoder and one decoder per channel: mono packs
// two samples a byte, stereo a frame a byte, left low. Decoding in blocks
// of any size gives what decoding at once gives.
TEST(AdpcmCodec, BothLayoutsBothWaysAgainstOneCoderPerChannel)
{
    for (int channels : {1, 2}) {
        for (std::size_t frames : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{1000}}) {
            SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(frames) + " frames");
            const std::vector<std::int16_t> samples = wobble(frames * static_cast<std::size_t>(channels), 7);
            std::vector<std::uint8_t> payload(AdpcmCodec::payloadBytes(channels, frames));
            AdpcmCodec(channels).encode(samples.data(), frames, payload.data());

            // The same codes by one encoder per channel.
            std::vector<std::vector<std::int16_t>> channel(static_cast<std::size_t>(channels));
            for (std::size_t i = 0; i < samples.size(); ++i)
                channel[i % static_cast<std::size_t>(channels)].push_back(samples[i]);
            std::vector<std::vector<std::uint8_t>> codes;
            for (const auto& one : channel) {
                codes.emplace_back((one.size() + 1) / 2);
                AdpcmEncoder encoder;
                encoder.reset();
                encoder.encode(one.data(), codes.back().data(), static_cast<int>(one.size()));
            }
            const auto code = [&](int c, std::size_t n) { return (codes[static_cast<std::size_t>(c)][n / 2] >> (4 * (n % 2))) & 0x0F; };
            for (std::size_t b = 0; b < payload.size(); ++b) {
                const int low = channels == 2 ? code(0, b) : code(0, 2 * b);
                const int high = channels == 2 ? code(1, b) : (2 * b + 1 < frames ? code(0, 2 * b + 1) : 0);
                ASSERT_EQ(payload[b], low | (high << 4)) << b;
            }

            std::vector<std::int16_t> whole(2 * payload.size()), blocks(2 * payload.size());
            AdpcmCodec(channels).decode(payload.data(), payload.size(), whole.data());
            AdpcmCodec pieces(channels);
            for (std::size_t at = 0; at < payload.size(); at += 3)
                pieces.decode(payload.data() + at, std::min<std::size_t>(3, payload.size() - at), blocks.data() + 2 * at);
            EXPECT_EQ(blocks, whole);
            AdpcmDecoder decoders[2];
            decoders[0].reset();
            decoders[1].reset();
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const int c = static_cast<int>(i % static_cast<std::size_t>(channels));
                ASSERT_EQ(whole[i], decoders[c].decodeCode(code(c, i / static_cast<std::size_t>(channels)))) << i;
            }
        }
    }
}

}  // namespace
}  // namespace korvel
