#include "formats/AiffReader.h"

#include <cmath>

#include <gtest/gtest.h>

#include "formats/ByteStream.h"
#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

using test::AiffFields;
using test::aiffCommonBody;
using test::aiffImage;
using test::aiffSoundBody;
using test::Bytes;
using test::iffForm;
using test::ImageBuilder;

struct Parsed {
    explicit Parsed(const Bytes& bytes) : image(bytes), stream(image.data(), static_cast<int>(image.size())) {}
    Bytes image;
    ByteStream stream;
    AiffReader reader{&stream};
};

using Extended = std::array<std::uint8_t, 10>;

TEST(AiffReader, DecodeExtendedWorkedValues)
{
    struct Row {
        Extended bytes;
        double value;
    };
    const Row rows[] = {
        {{0x40, 0x0E, 0xAC, 0x44}, 44100.0},
        {{0x40, 0x0B, 0xFA, 0x00}, 8000.0},
        {{0x40, 0x0A, 0xFA, 0x00}, 4000.0},
        {{0x40, 0x0F, 0xBB, 0x80}, 96000.0},
        {{0x3F, 0xFF, 0x80, 0x00}, 1.0},
        {{0xBF, 0xFF, 0x80, 0x00}, -1.0},
        {{0x3F, 0xFE, 0x80, 0x00}, 0.5},
        {{}, 0.0},
    };
    for (const Row& row : rows) {
        double value = -7.0;
        ASSERT_EQ(AiffReader::decodeExtended(row.bytes.data(), &value), 0);
        EXPECT_EQ(value, row.value);
    }
    double untouched = 3.0;
    const Extended infinity{0x7F, 0xFF, 0x80};
    EXPECT_EQ(AiffReader::decodeExtended(infinity.data(), &untouched), -1);
    EXPECT_EQ(untouched, 3.0);
    // The power overflows to infinity and the zero mantissa makes it not-a-number.
    const Extended overflowing{0x43, 0xFF};
    double nan = 0.0;
    ASSERT_EQ(AiffReader::decodeExtended(overflowing.data(), &nan), 0);
    EXPECT_TRUE(std::isnan(nan));
}

TEST(AiffReader, CanonicalImageParsesAndReadsBack)
{
    Parsed p(aiffImage({.channels = 2, .frames = 2, .sampleRate = 44100.0}, test::samplesBE({1, -2, 0x7FFF, -32768})));
    const AiffReader& r = p.reader;
    EXPECT_EQ(r.format.channels, 2);
    EXPECT_EQ(r.format.sampleRate, 44100);
    EXPECT_EQ(r.format.bitsPerSample, 16);
    EXPECT_EQ(r.bytesPerSample, 2);
    EXPECT_EQ(r.format.blockAlign, 4);
    EXPECT_EQ(r.format.dataBytes, 8);
    EXPECT_EQ(r.format.frameCount, 2);
    EXPECT_EQ(r.dataOffset, 12 + 26 + 16);

    std::int16_t out[4] = {};
    ASSERT_EQ(p.reader.read(out, 4), 2);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], -2);
    EXPECT_EQ(out[2], 32767);
    EXPECT_EQ(out[3], -32768);
    EXPECT_EQ(p.reader.read(out, 4), 0);
}

TEST(AiffReader, SampleWidthsDeliverTheirTopSixteenBits)
{
    struct Row {
        std::uint16_t sampleSize;
        Bytes data;
        std::vector<int> expected;
    };
    const Row rows[] = {
        {8, {0x80, 0x00, 0x7F, 0xFF}, {-32768, 0, 32512, -256}},
        {12, {0xFF, 0xF0, 0x7F, 0xF0}, {-16, 32752}},
        {16, {0xFF, 0xFE, 0x00, 0x01}, {-2, 1}},
        {24, {0x12, 0x34, 0x56, 0xFF, 0xFF, 0xFF}, {0x1234, -1}},
        {32, {0x80, 0x00, 0x00, 0x01, 0x7F, 0xFF, 0xFF, 0xFF}, {-32768, 32767}},
    };
    for (const Row& row : rows) {
        auto frames = static_cast<std::uint32_t>(row.expected.size());
        Parsed p(aiffImage({.frames = frames, .sampleSize = row.sampleSize}, row.data));
        ASSERT_EQ(p.reader.format.channels, 1) << row.sampleSize;
        std::vector<std::int16_t> out(row.expected.size());
        ASSERT_EQ(p.reader.read(out.data(), static_cast<int>(frames)), static_cast<int>(frames)) << row.sampleSize;
        for (std::size_t i = 0; i < out.size(); ++i)
            EXPECT_EQ(out[i], row.expected[i]) << row.sampleSize << " sample " << i;
    }
}

TEST(AiffReader, SoundChunkBeforeCommonParsesTheSame)
{
    const Bytes data = test::samplesBE({5, 6, 7});
    const AiffFields fields{.frames = 3};
    Parsed p(iffForm("AIFF", ImageBuilder()
                                 .iffChunk("SSND", aiffSoundBody(data))
                                 .iffChunk("MARK", {0, 0, 1})
                                 .iffChunk("COMM", aiffCommonBody(fields))));
    ASSERT_EQ(p.reader.format.channels, 1);
    EXPECT_EQ(p.reader.format.frameCount, 3);
    EXPECT_EQ(p.reader.dataOffset, 12 + 16);
    std::int16_t out[3] = {};
    ASSERT_EQ(p.reader.read(out, 3), 3);
    EXPECT_EQ(out[2], 7);
}

TEST(AiffReader, SoundOffsetIsSkippedAndRewindReturnsToTheFirstFrame)
{
    const Bytes data = test::samplesBE({100, 200, 300});
    Parsed p(iffForm("AIFF", ImageBuilder()
                                 .iffChunk("COMM", aiffCommonBody({.frames = 3}))
                                 .iffChunk("SSND", aiffSoundBody(data, 4))));
    ASSERT_EQ(p.reader.format.channels, 1);
    EXPECT_EQ(p.reader.dataOffset, 12 + 26 + 8 + 12);
    std::int16_t out[3] = {};
    ASSERT_EQ(p.reader.read(out, 3), 3);
    EXPECT_EQ(out[0], 100);
    ASSERT_EQ(p.reader.rewind(), 0);
    ASSERT_EQ(p.reader.read(out, 1), 1);
    EXPECT_EQ(out[0], 100);
    ASSERT_EQ(p.reader.seekFrame(2), 0);
    ASSERT_EQ(p.reader.read(out, 3), 1);
    EXPECT_EQ(out[0], 300);
    ASSERT_EQ(p.reader.seekFrame(1), 0);
    std::uint8_t raw[2] = {};
    ASSERT_EQ(p.reader.readBytes(raw, 2), 2);
    EXPECT_EQ(raw[0] * 256 + raw[1], 200);
}

TEST(AiffReader, RatesAreTruncatedAndLimited)
{
    struct Row {
        double rate;
        int channels, sampleRate;
    };
    const Row rows[] = {
        {22254.545454545454, 1, 22254},
        {4000.0, 1, 4000},
        {1.0, 1, 1},
        {2147483647.0, 1, 2147483647},
        {0.5, 0, 0},
        {2147483648.0, 0, 0},
        {-8000.0, 0, 0},
    };
    for (const Row& row : rows) {
        Parsed p(aiffImage({.frames = 1, .sampleRate = row.rate}, test::samplesBE({0})));
        EXPECT_EQ(p.reader.format.channels, row.channels) << row.rate;
        if (row.channels != 0) {
            EXPECT_EQ(p.reader.format.sampleRate, row.sampleRate) << row.rate;
        }
    }
}

TEST(AiffReader, RefusedHeadersLeaveChannelsZero)
{
    const Bytes data = test::samplesBE({1, 2});
    const AiffFields two{.frames = 2};
    auto withRate = [&](const Extended& rate) {
        return iffForm("AIFF",
                       ImageBuilder().iffChunk("COMM", aiffCommonBody(two, rate)).iffChunk("SSND", aiffSoundBody(data)));
    };
    Bytes comm22 = aiffCommonBody(two);
    comm22.insert(comm22.end(), {'N', 'O', 'N', 'E'});
    Bytes soundOneShort = aiffSoundBody(data);
    soundOneShort.pop_back();
    Bytes negativeOffset = ImageBuilder().be32(0x80000000u).be32(0).bytes(data);
    Bytes chunkPastForm = aiffImage(two, data);
    chunkPastForm[7] -= 2;  // the "FORM" size now ends inside "SSND"
    struct Row {
        const char* what;
        Bytes image;
    };
    const Row rows[] = {
        {"an empty image", {}},
        {"an image not beginning with FORM",
         ImageBuilder().riffChunk("JUNK", {}).bytes(aiffImage(two, data))},
        {"a FORM size of 2^31", ImageBuilder().text("FORM").be32(0x80000000u).text("AIFF")},
        {"the compressed form type", iffForm("AIFC", ImageBuilder().iffChunk("COMM", aiffCommonBody(two)))},
        {"no COMM chunk", iffForm("AIFF", ImageBuilder().iffChunk("SSND", aiffSoundBody(data)))},
        {"a COMM chunk of 22 bytes",
         iffForm("AIFF", ImageBuilder().iffChunk("COMM", comm22).iffChunk("SSND", aiffSoundBody(data)))},
        {"zero channels", aiffImage({.channels = 0, .frames = 2}, data)},
        {"sample size 0", aiffImage({.frames = 2, .sampleSize = 0}, data)},
        {"sample size 33", aiffImage({.frames = 2, .sampleSize = 33}, data)},
        {"an infinite rate", withRate({0x7F, 0xFF, 0x80})},
        {"a not-a-number rate", withRate({0x7F, 0xFF, 0xC0})},
        {"a rate that decodes to not-a-number", withRate({0x43, 0xFF})},
        {"a rate of zero", withRate({})},
        {"no SSND chunk", iffForm("AIFF", ImageBuilder().iffChunk("COMM", aiffCommonBody(two)))},
        {"a negative SSND offset",
         iffForm("AIFF", ImageBuilder().iffChunk("COMM", aiffCommonBody(two)).iffChunk("SSND", negativeOffset))},
        {"an SSND chunk one byte short",
         iffForm("AIFF", ImageBuilder().iffChunk("COMM", aiffCommonBody(two)).iffChunk("SSND", soundOneShort))},
        {"an SSND chunk past the FORM size", chunkPastForm},
        {"frames x block align beyond 32 bits", aiffImage({.channels = 2, .frames = 0x20000000u}, data)},
        {"a frame wider than 65535 bytes", aiffImage({.channels = 16384, .frames = 2, .sampleSize = 32}, data)},
    };
    for (const Row& row : rows) {
        Parsed p(row.image);
        EXPECT_EQ(p.reader.format.channels, 0) << row.what;
        std::int16_t out[4];
        EXPECT_EQ(p.reader.read(out, 2), -1) << row.what;
    }
}

TEST(AiffReader, ImageCutInsideTheSoundDataStopsAtItsEnd)
{
    Bytes image = aiffImage({.frames = 4}, test::samplesBE({1, 2, 3, 4}));
    image.resize(image.size() - 3);  // half of frame 2 and frame 3 are gone
    Parsed p(image);
    ASSERT_EQ(p.reader.format.channels, 1);
    EXPECT_EQ(p.reader.format.frameCount, 4);
    std::int16_t out[4] = {};
    EXPECT_EQ(p.reader.read(out, 4), 2);
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(p.reader.read(out, 4), 0);
}

TEST(AiffReader, FrameCountsAsStored)
{
    Parsed none(aiffImage({.frames = 0}, {}));
    EXPECT_EQ(none.reader.format.channels, 1);
    EXPECT_EQ(none.reader.format.frameCount, 0);
    // 2^31 frames of 1 byte is a negative count whose size still fits.
    Parsed negative(aiffImage({.frames = 0xFFFFFFFFu, .sampleSize = 8}, {}));
    EXPECT_EQ(negative.reader.format.channels, 1);
    EXPECT_EQ(negative.reader.format.frameCount, -1);
}

TEST(AiffReader, ReadRefusesBadArguments)
{
    Parsed p(aiffImage({.frames = 1}, test::samplesBE({1})));
    std::int16_t out[1];
    EXPECT_EQ(p.reader.read(nullptr, 1), -1);
    EXPECT_EQ(p.reader.read(out, -1), -1);
    EXPECT_EQ(p.reader.read(out, 0), 0);
    EXPECT_EQ(p.reader.seekFrame(-1), -1);
}

}  // namespace
}  // namespace korvel
