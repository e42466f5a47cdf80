#include "road/FileStream.h"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/MemoryFile.h"

namespace korvel {
namespace {

std::vector<std::uint8_t> counting(int length)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

// Whatever pieces the system answers in, the stream gives the file's bytes,
// then its end; and it moves only within the length the file had.
TEST(FileStream, GivesTheBytesOfTheFileInAnyPieces)
{
    const std::vector<std::uint8_t> bytes = counting(200000);
    for (int piece : {1, 7, 4093, 65536, 1 << 30}) {
        test::MemoryFile file(bytes, piece);
        FileStream stream(file);
        EXPECT_EQ(stream.size(), 200000) << piece;
        std::vector<std::uint8_t> got(bytes.size() + 10);
        int stored = 0;
        for (int n; (n = stream.read(got.data() + stored, 999)) > 0;)
            stored += n;
        EXPECT_EQ(stored, 200000) << piece;
        got.resize(static_cast<std::size_t>(stored));
        EXPECT_TRUE(got == bytes) << piece;
        EXPECT_TRUE(stream.atEnd()) << piece;
        EXPECT_FALSE(stream.readFailed()) << piece;

        ASSERT_EQ(stream.seek(123456), 0) << piece;
        EXPECT_EQ(stream.getByte(), bytes[123456]) << piece;
        ASSERT_EQ(stream.skip(70000), 0) << piece;
        EXPECT_EQ(stream.getByte(), bytes[193457]) << piece;
        EXPECT_EQ(stream.seek(200000), 0) << piece;
        EXPECT_EQ(stream.getByte(), -1) << piece;
        EXPECT_EQ(stream.seek(200001), -1) << piece;
        EXPECT_TRUE(stream.hasError()) << piece;
    }
    test::MemoryFile file(bytes);
    FileStream stream(file);
    EXPECT_EQ(stream.skip(200001), -1);
    test::MemoryFile empty({});
    FileStream nothing(empty);
    EXPECT_EQ(nothing.size(), 0);
    EXPECT_EQ(nothing.getByte(), -1);
    EXPECT_FALSE(nothing.readFailed());
}

// A read error ends the stream as the end of the file would, but the two
// can be told apart; only the bytes read until then were asked for.
TEST(FileStream, ARefusedReadIsNotTheEndOfTheFile)
{
    const std::vector<std::uint8_t> bytes = counting(300000);
    test::MemoryFile file(bytes, 1 << 30, 150000);
    FileStream stream(file);
    std::vector<std::uint8_t> got(bytes.size());
    int stored = 0;
    for (int n; (n = stream.read(got.data() + stored, 10000)) > 0;)
        stored += n;
    EXPECT_GE(stored, 150000 - FileStream::kBufferBytes);
    EXPECT_LE(stored, 150000);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + stored, bytes.begin()));
    EXPECT_TRUE(stream.readFailed());
    EXPECT_TRUE(stream.hasError());
    EXPECT_EQ(stream.getByte(), -1);
}

// A file cut short by another program after it was opened: what the stream
// cannot find up to the length it was opened with is a failed read, not the
// end of the file. A file that was short when it was opened ends as before.
TEST(FileStream, AFileCutShortAfterItWasOpenedIsAFailedRead)
{
    const std::vector<std::uint8_t> bytes = counting(300000);
    test::MemoryFile file(bytes);
    FileStream stream(file);
    file.bytes.resize(100000);
    std::vector<std::uint8_t> got(bytes.size());
    int stored = 0;
    for (int n; (n = stream.read(got.data() + stored, 10000)) > 0;)
        stored += n;
    EXPECT_LE(stored, 100000);
    EXPECT_TRUE(stream.readFailed());

    test::MemoryFile shortFile(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 100000));
    FileStream whole(shortFile);
    stored = 0;
    for (int n; (n = whole.read(got.data() + stored, 10000)) > 0;)
        stored += n;
    EXPECT_EQ(stored, 100000);
    EXPECT_FALSE(whole.readFailed());
    EXPECT_TRUE(whole.atEnd());
}

}  // namespace
}  // namespace korvel
