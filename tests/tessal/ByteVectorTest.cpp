#include "tessal/ByteVector.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "tessal/Crc16.h"
#include "tessal/Crc16Table.h"

namespace korvel {
namespace {

ByteVector bytesOf(const std::string& text)
{
    return ByteVector(text.begin(), text.end());
}

TEST(ByteVector, IntegerWritesInBothOrders)
{
    ByteVector v;
    appendBE32(v, 0x01020304);
    appendLE32(v, 0x01020304);
    appendBE16(v, 0x0102);
    appendLE16(v, 0x0102);
    EXPECT_EQ(v, (ByteVector{1, 2, 3, 4, 4, 3, 2, 1, 1, 2, 2, 1}));

    std::uint8_t patch[4] = {};
    EXPECT_EQ(putBE32(patch, 0xA1B2C3D4), 0);
    EXPECT_EQ(patch[0], 0xA1);
    EXPECT_EQ(patch[3], 0xD4);
    EXPECT_EQ(putLE32(patch, 0xA1B2C3D4), 0);
    EXPECT_EQ(patch[0], 0xD4);
    EXPECT_EQ(putBE16(patch, 0x1234), 0);
    EXPECT_EQ(patch[0], 0x12);
    EXPECT_EQ(patch[1], 0x34);
    EXPECT_EQ(putBE32(nullptr, 1), -1);
    EXPECT_EQ(putLE32(nullptr, 1), -1);
    EXPECT_EQ(putBE16(nullptr, 1), -1);
}

TEST(ByteVector, AppendBytesRefusesNothingToCopy)
{
    ByteVector v{9};
    const char text[] = "abc";
    EXPECT_EQ(appendBytes(v, text, 3), 0);
    EXPECT_EQ(appendBytes(v, nullptr, 3), -1);
    EXPECT_EQ(appendBytes(v, text, 0), -1);
    EXPECT_EQ(appendBytes(v, text, -1), -1);
    EXPECT_EQ(v, (ByteVector{9, 'a', 'b', 'c'}));
}

TEST(ByteVector, PatchesGoByOffsetAfterTheStorageMoved)
{
    ByteVector v;
    appendBE32(v, 0);
    const std::size_t sizeAt = 0;
    for (int i = 0; i < 10000; ++i)
        v.push_back(static_cast<std::uint8_t>(i));
    putBE32(v.data() + sizeAt, static_cast<std::uint32_t>(v.size() - 4));
    EXPECT_EQ(v[2], 0x27);
    EXPECT_EQ(v[3], 0x10);
}

TEST(ByteVector, VariableLengthQuantities)
{
    struct Row {
        std::int32_t value;
        ByteVector bytes;
    };
    const Row rows[] = {
        {0, {0x00}},
        {127, {0x7F}},
        {128, {0x81, 0x00}},
        {250, {0x81, 0x7A}},
        {16383, {0xFF, 0x7F}},
        {16384, {0x81, 0x80, 0x00}},
        {(1 << 21) - 1, {0xFF, 0xFF, 0x7F}},
        {(1 << 28) - 1, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const Row& row : rows) {
        ByteVector v{0xEE};
        EXPECT_EQ(appendVarLen(v, row.value), static_cast<int>(row.bytes.size())) << row.value;
        EXPECT_EQ(ByteVector(v.begin() + 1, v.end()), row.bytes) << row.value;
    }
    ByteVector v;
    EXPECT_EQ(appendVarLen(v, 1 << 28), -1);
    EXPECT_EQ(appendVarLen(v, -1), -1);
    EXPECT_TRUE(v.empty());
}

TEST(ByteVector, Crc16CheckValues)
{
    EXPECT_EQ(kCrc16Table[0], 0x0000);
    EXPECT_EQ(kCrc16Table[1], 0x1021);
    EXPECT_EQ(kCrc16Table[2], 0x2042);
    EXPECT_EQ(kCrc16Table[255], 0x1EF0);
    EXPECT_EQ(crc16(bytesOf("123456789")), 0xD64E);
    EXPECT_EQ(crc16(bytesOf("abc")), 0xAEB5);
    EXPECT_EQ(crc16(ByteVector{}), 0x0000);
}

// Eight bytes a step give the register a bit at a time gives, for every
// length and wherever a file's pieces are split.
TEST(ByteVector, Crc16OfAnyLengthAndSplitIsTheBitwiseOne)
{
    auto bitwise = [](const std::uint8_t* data, std::size_t size) {
        unsigned r = 0xFFFF;
        for (std::size_t i = 0; i < size; ++i) {
            r ^= static_cast<unsigned>(data[i]) << 8;
            for (int bit = 0; bit < 8; ++bit)
                r = ((r & 0x8000) ? (r << 1) ^ 0x1021 : r << 1) & 0xFFFF;
        }
        return static_cast<std::uint16_t>(r ^ 0xFFFF);
    };
    ByteVector bytes(300);
    unsigned seed = 12345;
    for (std::uint8_t& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    for (std::size_t size = 0; size <= bytes.size(); size += size < 40 ? 1 : 37)
        for (std::size_t split : {std::size_t{0}, std::size_t{3}, std::size_t{9}, size / 2}) {
            const std::size_t first = std::min(split, size);
            Crc16 crc;
            crc.update(bytes.data(), first);
            crc.update(bytes.data() + first, size - first);
            EXPECT_EQ(crc.value(), bitwise(bytes.data(), size)) << size << " split at " << first;
        }
}

TEST(ByteVector, CheckDigitsComeFromTwoNibblesOfTheCrc)
{
    std::uint8_t pair[2] = {};
    putBE16(pair, checkDigits(bytesOf("abc")));
    EXPECT_EQ(pair[0], '3');
    EXPECT_EQ(pair[1], '4');
    // "123456789": crc 0xD64E gives 0x6 ^ 0xD = B first and 0xE ^ 1 = F second.
    putBE16(pair, checkDigits(bytesOf("123456789")));
    EXPECT_EQ(pair[0], 'B');
    EXPECT_EQ(pair[1], 'F');
    // The empty vector: crc 0 gives D and 1.
    putBE16(pair, checkDigits(ByteVector{}));
    EXPECT_EQ(pair[0], 'D');
    EXPECT_EQ(pair[1], '1');
}

}  // namespace
}  // namespace korvel
