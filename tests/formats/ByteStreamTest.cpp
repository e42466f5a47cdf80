#include "formats/ByteStream.h"

#include <gtest/gtest.h>

#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

using test::Bytes;

TEST(ByteStream, EmptyImageFailsTheFirstByteWithBothStatusBits)
{
    const std::uint8_t none[1] = {0};
    ByteStream stream(none, 0);
    EXPECT_EQ(stream.getByte(), -1);
    EXPECT_TRUE(stream.atEnd());
    EXPECT_TRUE(stream.hasError());
}

TEST(ByteStream, EndSetsOnlyAtEndAndSeekMakesBytesReadableAgain)
{
    const Bytes image{0x10, 0x20, 0x30};
    ByteStream stream(image.data(), static_cast<int>(image.size()));
    EXPECT_EQ(stream.getByte(), 0x10);
    EXPECT_EQ(stream.getByte(), 0x20);
    EXPECT_EQ(stream.getByte(), 0x30);
    EXPECT_EQ(stream.tell(), 3);
    EXPECT_EQ(stream.getByte(), -1);
    EXPECT_EQ(stream.statusBits(), InputStream::kAtEnd);

    ASSERT_EQ(stream.seek(0), 0);
    EXPECT_EQ(stream.statusBits(), 0u);
    EXPECT_EQ(stream.getByte(), 0x10);
    ASSERT_EQ(stream.seek(2), 0);
    EXPECT_EQ(stream.tell(), 2);
    EXPECT_EQ(stream.getByte(), 0x30);
}

TEST(ByteStream, SkipPastTheEndFailsAndSeekRefusesUntilRewind)
{
    const Bytes image{1, 2, 3, 4};
    ByteStream stream(image.data(), 4);
    EXPECT_EQ(stream.getByte(), 1);
    EXPECT_EQ(stream.skip(2), 0);  // inside the buffer
    EXPECT_EQ(stream.tell(), 3);
    EXPECT_EQ(stream.getByte(), 4);

    EXPECT_EQ(stream.skip(5), -1);
    EXPECT_TRUE(stream.atEnd());
    EXPECT_TRUE(stream.hasError());
    EXPECT_EQ(stream.seek(0), -1);
    EXPECT_EQ(stream.size(), -1);

    ASSERT_EQ(stream.rewind(), 0);
    EXPECT_EQ(stream.statusBits(), 0u);
    EXPECT_EQ(stream.size(), 4);
    EXPECT_EQ(stream.getByte(), 1);
}

TEST(ByteStream, SkipToTheExactEndSucceedsAndNegativeSkipFails)
{
    const Bytes image{1, 2, 3};
    ByteStream stream(image.data(), 3);
    EXPECT_EQ(stream.skip(-1), -1);
    EXPECT_EQ(stream.skip(3), 0);
    EXPECT_EQ(stream.tell(), 3);
    EXPECT_EQ(stream.getByte(), -1);
    EXPECT_FALSE(stream.hasError());
}

TEST(ByteStream, ReadStopsAtTheEndAndCountsWhatItStored)
{
    const Bytes image{9, 8, 7};
    ByteStream stream(image.data(), 3);
    std::uint8_t out[8] = {};
    EXPECT_EQ(stream.read(nullptr, 2), -1);
    EXPECT_EQ(stream.read(out, 0), 0);
    EXPECT_EQ(stream.read(out, 8), 3);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(out[2], 7);
    EXPECT_EQ(stream.read(out, 1), 0);
}

TEST(ByteStream, ReadOfAFailedStreamIsMinusOne)
{
    const std::uint8_t none[1] = {0};
    ByteStream stream(none, 0);
    std::uint8_t out[2];
    EXPECT_EQ(stream.read(out, 2), -1);
}

TEST(ByteStream, IntegerReadsInBothOrders)
{
    struct Row {
        Bytes bytes;
        int u16le, u16be, u32le, u32be;
    };
    const Row rows[] = {
        {{0x01, 0x02, 0x03, 0x04}, 0x0201, 0x0102, 0x04030201, 0x01020304},
        {{0xFF, 0xFF, 0xFF, 0x7F}, 0xFFFF, 0xFFFF, 2147483647, -129},
        {{0x00, 0x00, 0x00, 0x80}, 0x0000, 0x0000, INT32_MIN, 128},
    };
    for (const Row& row : rows) {
        ByteStream a(row.bytes.data(), 4), b(row.bytes.data(), 4), c(row.bytes.data(), 4), d(row.bytes.data(), 4);
        EXPECT_EQ(a.readU16LE(), row.u16le);
        EXPECT_EQ(b.readU16BE(), row.u16be);
        EXPECT_EQ(c.readU32LE(), row.u32le);
        EXPECT_EQ(d.readU32BE(), row.u32be);
    }
    const Bytes three{1, 2, 3};
    ByteStream shortStream(three.data(), 3);
    EXPECT_EQ(shortStream.readU32LE(), -1);
}

TEST(ByteStream, SizeIsTheImageLengthAndTheReservedSlotAnswersMinusOne)
{
    const Bytes image(10, 0);
    ByteStream stream(image.data(), 10);
    EXPECT_EQ(stream.size(), 10);
    EXPECT_EQ(stream.reserved(5), -1);
    ByteStream noImage(nullptr, 0);
    EXPECT_EQ(noImage.size(), -1);
}

}  // namespace
}  // namespace korvel
