#include "formats/ChunkStream.h"

#include <gtest/gtest.h>

#include "formats/ByteStream.h"
#include "formats/ChunkReader.h"
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

TEST(ChunkStream, DeliversExactlyTheChunkData)
{
    Riff riff(ImageBuilder().riffChunk("abcd", {1, 2, 3, 4}).riffChunk("more", {9, 9}));
    ASSERT_EQ(riff.reader.find("abcd"), 4);
    ChunkStream chunk(&riff.reader);
    EXPECT_EQ(chunk.size(), 4);
    for (int expected = 1; expected <= 4; ++expected)
        EXPECT_EQ(chunk.getByte(), expected);
    EXPECT_EQ(chunk.tell(), 4);
    EXPECT_EQ(chunk.getByte(), -1);
    EXPECT_TRUE(chunk.atEnd());
    EXPECT_FALSE(chunk.hasError());
    // Without a buffer, rewinding is not possible; seek works through the chunk.
    EXPECT_EQ(chunk.rewind(), -1);
}

TEST(ChunkStream, ReadSkipAndSeekStayInsideTheChunk)
{
    Riff riff(ImageBuilder().riffChunk("abcd", {1, 2, 3, 4, 5}).riffChunk("more", {9, 9}));
    ASSERT_EQ(riff.reader.find("abcd"), 5);
    ChunkStream chunk(&riff.reader);
    std::uint8_t out[16] = {};
    EXPECT_EQ(chunk.skip(1), 0);
    EXPECT_EQ(chunk.read(out, 16), 4);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[3], 5);
    EXPECT_EQ(chunk.read(out, 16), 0);
    EXPECT_TRUE(chunk.atEnd());
    ASSERT_EQ(chunk.seek(3), 0);
    EXPECT_FALSE(chunk.atEnd());
    EXPECT_EQ(chunk.tell(), 3);
    EXPECT_EQ(chunk.getByte(), 4);
}

TEST(ChunkStream, NestedChunksAreFoundInsideTheOuterOne)
{
    Bytes inner = ImageBuilder().riffChunk("one ", {1}).riffChunk("two ", {2, 2});
    Riff riff(ImageBuilder().text("RIFF").le32(static_cast<std::uint32_t>(inner.size())).bytes(inner));
    ASSERT_GE(riff.reader.find("RIFF"), 0);
    ChunkStream outerData(&riff.reader);
    RiffChunkReader nested(&outerData);
    EXPECT_EQ(nested.find("two "), 2);
    EXPECT_EQ(nested.start, 10);  // counted from the start of the outer data
    EXPECT_EQ(nested.readU16(), 0x0202);
    EXPECT_EQ(nested.find("none"), -1);
}

}  // namespace
}  // namespace korvel
