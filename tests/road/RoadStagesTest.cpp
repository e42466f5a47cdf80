// The stages at the end of the conversion road: the cut to what a file
// keeps, and the encoder that pulls its frames a block at a time.

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/AdpcmCodec.h"
#include "road/EncodeStage.h"
#include "road/KeepStage.h"
#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

std::vector<std::int16_t> ramp(std::size_t count)
{
    std::vector<std::int16_t> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::int16_t>((i * 7919) % 20000 - 10000);
    return out;
}

ByteVector encodedWhole(const std::vector<std::int16_t>& samples, int channels)
{
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    ByteVector payload(AdpcmCodec::payloadBytes(channels, frames), 0);
    AdpcmCodec(channels).encode(samples.data(), frames, payload.data());
    return payload;
}

// However the source parts its frames, the payload is the one the whole
// sound coded at once gives: an odd piece never shifts the nibbles.
TEST(RoadStages, EncodingPiecesGivesThePayloadOfTheWhole)
{
    struct Row {
        int channels;
        std::size_t frames;
        int framesPerRead;
    };
    // The last rows span several of the stage's blocks, which are coded on
    // another thread while the next is pulled.
    const Row rows[] = {{1, 1001, 3}, {1, 1000, 7}, {1, 999, 0},       {2, 501, 5},
                        {2, 1, 0},    {1, 70001, 4099}, {2, 40001, 999}};
    for (const Row& row : rows) {
        const std::vector<std::int16_t> samples = ramp(row.frames * static_cast<std::size_t>(row.channels));
        test::VectorSource source(samples, row.channels, 8000);
        source.framesPerRead = row.framesPerRead;
        ByteVector payload;
        ASSERT_EQ(EncodeStage::run(source, payload), 0);
        EXPECT_EQ(payload, encodedWhole(samples, row.channels)) << row.channels << " " << row.frames;
    }
}

TEST(RoadStages, EncodingPassesOnTheSourcesFailure)
{
    test::VectorSource source(ramp(4000), 1, 8000);
    source.failAfterFrames = 1000;
    source.framesPerRead = 500;
    ByteVector payload{1, 2};
    EXPECT_EQ(EncodeStage::run(source, payload), source.failure);
    EXPECT_EQ(payload, (ByteVector{1, 2}));
    // A failure after the first blocks have gone to the coder.
    test::VectorSource later(ramp(100000), 1, 8000);
    later.failAfterFrames = 60000;
    later.framesPerRead = 7000;
    EXPECT_EQ(EncodeStage::run(later, payload), later.failure);
    EXPECT_EQ(payload, (ByteVector{1, 2}));
}

// 66.04 s at 8000 Hz are 528320 frames; what the source lacks of them
// is silence.
TEST(RoadStages, KeepCutsALongSoundAndFillsAShortOneWithSilence)
{
    test::VectorSource longSound(std::vector<std::int16_t>(600000, 5), 1, 8000);
    KeepStage cut(&longSound);
    EXPECT_EQ(cut.format.frameCount, 528320);
    EXPECT_EQ(cut.format.dataBytes, 2 * 528320);

    test::VectorSource shortSound({1, 2, 3}, 1, 8000);
    shortSound.format.frameCount = 6;
    KeepStage padded(&shortSound);
    std::vector<std::int16_t> out(8, 9);
    EXPECT_EQ(padded.read(out.data(), 8), 3);
    EXPECT_EQ(padded.read(out.data() + 3, 5), 3);
    EXPECT_EQ(padded.read(out.data() + 6, 2), 0);
    EXPECT_EQ(out, (std::vector<std::int16_t>{1, 2, 3, 0, 0, 0, 9, 9}));
}

}  // namespace
}  // namespace korvel
