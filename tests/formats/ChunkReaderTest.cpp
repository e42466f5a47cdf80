#include "formats/ChunkReader.h"

#include <gtest/gtest.h>

#include "formats/ByteStream.h"
#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

using test::Bytes;
using test::ImageBuilder;

struct Riff {
    explicit Riff(const Bytes& bytes) : image(bytes), stream(image.data(), static_cast<int>(image.size())) {}
    Bytes image;
    ByteStream stream;
    RiffChunkReader reader{&stream};
};

TEST(ChunkReader, FindPassesOverAnOddChunkAndItsPadByte)
{
    Riff riff(ImageBuilder().riffChunk("abcd", {1, 2, 3, 4, 5}).riffChunk("want", {7, 8}));
    EXPECT_EQ(riff.reader.find("want"), 2);
    EXPECT_EQ(riff.reader.start, 14);  // 8 + 5 + 1 pad byte
    EXPECT_EQ(riff.reader.readByte(), 7);
    EXPECT_EQ(riff.reader.readByte(), 8);
    EXPECT_EQ(riff.reader.readByte(), -1);  // never beyond the chunk
}

TEST(ChunkReader, FindRefusesAMatchThatDoesNotFitWithoutLookingFurther)
{
    Riff riff(ImageBuilder().riffChunk("want", {1, 2}, 100).riffChunk("want", {3, 4}));
    EXPECT_EQ(riff.reader.find("want"), -1);
    EXPECT_EQ(riff.reader.start, 0);
}

TEST(ChunkReader, FindEndsAtTheEndOfTheStream)
{
    Riff riff(ImageBuilder().riffChunk("abcd", {1, 2}));
    EXPECT_EQ(riff.reader.find("want"), -1);
    Riff cut(ImageBuilder().text("abcd").le16(2));  // a header cut inside its size
    EXPECT_EQ(cut.reader.find("abcd"), -1);
}

TEST(ChunkReader, SizesOf2To31OrMoreAreRefused)
{
    for (std::uint32_t size : {0x80000000u, 0xFFFFFFFFu}) {
        Riff riff(ImageBuilder().text("abcd").le32(size));
        ASSERT_NE(riff.reader.readId(), nullptr);
        EXPECT_EQ(riff.reader.readSize(), -1) << size;
    }
    Riff largest(ImageBuilder().text("abcd").le32(0x7FFFFFFF));
    largest.reader.readId();
    EXPECT_EQ(largest.reader.readSize(), 0x7FFFFFFF);
}

TEST(ChunkReader, SkipBeyondTheChunkSkipsOnlyTheRest)
{
    Riff riff(ImageBuilder().riffChunk("abcd", {1, 2, 3, 4, 5, 6}).riffChunk("next", {}));
    ASSERT_EQ(riff.reader.find("abcd"), 6);
    EXPECT_EQ(riff.reader.readByte(), 1);
    EXPECT_EQ(riff.reader.skip(100), 5);
    EXPECT_EQ(riff.reader.consumed, 6);
    EXPECT_EQ(riff.reader.skip(1), 0);
    EXPECT_EQ(riff.reader.find("next"), 0);
}

TEST(ChunkReader, IntegersFollowTheReaderByteOrder)
{
    const Bytes body{0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    Riff riff(ImageBuilder().riffChunk("ints", body));
    ASSERT_EQ(riff.reader.find("ints"), 6);
    EXPECT_EQ(riff.reader.readU16(), 0x0201);
    EXPECT_EQ(riff.reader.readU32(), 0x06050403);
    EXPECT_EQ(riff.reader.readU16(), -1);

    Bytes image = ImageBuilder().iffChunk("ints", body);
    ByteStream stream(image.data(), static_cast<int>(image.size()));
    IffChunkReader iff(&stream);
    ASSERT_EQ(iff.find("ints"), 6);
    EXPECT_EQ(iff.readU16(), 0x0102);
    EXPECT_EQ(iff.readU32(), 0x03040506);
}

TEST(ChunkReader, SeekInChunkAndDataPosition)
{
    Riff riff(ImageBuilder().riffChunk("pad0", {0, 0}).riffChunk("abcd", {10, 11, 12, 13}));
    ASSERT_EQ(riff.reader.find("abcd"), 4);
    EXPECT_EQ(riff.reader.dataPosition(), 0);
    ASSERT_EQ(riff.reader.seekInChunk(2), 0);
    EXPECT_EQ(riff.reader.dataPosition(), 2);
    EXPECT_EQ(riff.reader.readByte(), 12);
    ASSERT_EQ(riff.reader.seekInChunk(99), 0);  // cut to the size
    EXPECT_EQ(riff.reader.consumed, 4);
    EXPECT_EQ(riff.reader.readByte(), -1);
    EXPECT_EQ(riff.reader.seekInChunk(-1), -1);
}

TEST(ChunkReader, AbsentStreamAnswersMinusOne)
{
    RiffChunkReader reader(nullptr);
    EXPECT_EQ(reader.readId(), nullptr);
    EXPECT_EQ(reader.readSize(), -1);
    EXPECT_EQ(reader.readByte(), -1);
    EXPECT_EQ(reader.find("abcd"), -1);
    EXPECT_EQ(reader.skipRest(), -1);
}

}  // namespace
}  // namespace korvel
