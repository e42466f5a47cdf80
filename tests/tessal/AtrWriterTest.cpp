#include "tessal/AtrWriter.h"

#include <gtest/gtest.h>

#include "tests/tessal/TessalTestSupport.h"

namespace korvel {
namespace {

using test::be32At;
using test::hex;

ByteVector buildFile(const ContentInfo& info, const ClipFormat& clip, ByteVector adpcm)
{
    AtrWriter writer;
    ByteVector out;
    EXPECT_EQ(writer.build(0, info, clip, adpcm, out), 0);
    return out;
}

TEST(AtrWriter, WorkedExampleByteForByte)
{
    const ContentInfo info = test::contentInfo(ContentInfo::kCodeUtf8, 0, "Song", "20040101");
    const ByteVector file = buildFile(info, test::monoFormat(8000, 800), ByteVector(400, 0x00));

    ByteVector expected = hex(
        "4D 4D 4D 44  00 00 02 10"
        " 43 4E 54 49  00 00 00 32  00 01 23 00 00  52 35 3A 00 2C"
        " 53 54 3A 53 6F 6E 67 2C"
        " 43 44 3A 32 30 30 34 30 31 30 31 2C"
        " 41 30 3A 51 4B 32 30 44 32 2C"
        " 41 32 3A 51 4B 32 30 38 35 2C"
        " 41 54 52 00  00 00 01 CC  00 00 11 00 02 02"
        " 41 73 70 49 00 00 00 10  73 74 3A 00 00 00 00 2C  73 70 3A 00 00 00 0A 2C"
        " 41 74 73 71 00 00 00 0E  01 00 37 7F 01 01 19 1A FF 00 00 00 00 00"
        " 41 77 61 01 00 00 01 90");
    expected.insert(expected.end(), 400, 0x00);
    const ByteVector crc = hex("C6 3B");
    expected.insert(expected.end(), crc.begin(), crc.end());

    ASSERT_EQ(file.size(), 536u);
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(file[i], expected[i]) << "offset 0x" << std::hex << i;
}

TEST(AtrWriter, OneSecondAtEightThousandHertz)
{
    const ContentInfo info = test::contentInfo(ContentInfo::kCodeUtf8, 0, "Song", "20040101");
    const ByteVector file = buildFile(info, test::monoFormat(8000, 8000), ByteVector(4000, 0x80));
    const std::size_t track = test::find(file, std::string("ATR\0", 4));
    ASSERT_NE(track, std::string::npos);
    EXPECT_EQ(be32At(file, track + 4) + 8, 4070u);
    EXPECT_EQ(ByteVector(file.begin() + static_cast<std::ptrdiff_t>(track) + 10, file.begin() + static_cast<std::ptrdiff_t>(track) + 14),
              hex("11 00 02 02"));
    // The stop point 12 and the sequence data of 16 bytes with t = 250.
    const std::size_t seek = test::find(file, "AspI");
    EXPECT_EQ(be32At(file, seek + 19), 12u);
    const std::size_t sequence = test::find(file, "Atsq");
    EXPECT_EQ(be32At(file, sequence + 4), 16u);
    EXPECT_EQ(ByteVector(file.begin() + static_cast<std::ptrdiff_t>(sequence) + 8, file.begin() + static_cast<std::ptrdiff_t>(sequence) + 24),
              hex("01 00 37 7F 01 01 80 7A 80 7B FF 00 00 00 00 00"));
    const std::size_t wave = test::find(file, "Awa\x01");
    EXPECT_EQ(be32At(file, wave + 4), 4000u);
    EXPECT_EQ(file.size(), wave + 8 + 4000 + 2);
}

TEST(AtrWriter, EmptyContentsGiveAThirtyEightByteChunk)
{
    ContentInfo info;
    info.codeType = ContentInfo::kCodeUtf8;
    info.permissions = 0xFF;  // only the two permission bits are written
    const ByteVector file = buildFile(info, test::monoFormat(4000, 400), ByteVector(200, 0x80));
    EXPECT_EQ(be32At(file, 12), 30u);
    EXPECT_EQ(ByteVector(file.begin() + 16, file.begin() + 26), hex("00 01 23 03 00 52 35 3A 00 2C"));
    EXPECT_EQ(std::string(file.begin() + 26, file.begin() + 33), "A0:QK20");
    EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 43), "A2:QK20");
    EXPECT_EQ(std::string(file.begin() + 46, file.begin() + 49), "ATR");
    // The wave type of 4000 Hz.
    EXPECT_EQ(file[56], 0x10);
}

TEST(AtrWriter, TagsAreWrittenInTheirOrderUnderTheirNames)
{
    ContentInfo info;
    info.codeType = 0;
    const char* texts[ContentInfo::kSlotCount] = {"v", "c", "a", "s", "n", "w", "x", "y", "r", "skip9", "skip10", "d", "u"};
    for (int slot = 0; slot < ContentInfo::kSlotCount; ++slot)
        std::strcpy(info.slots[slot], texts[slot]);
    const ByteVector file = buildFile(info, test::monoFormat(8000, 800), ByteVector(400));
    const std::size_t from = 8 + 18;
    const std::string tags = "VN:v,CN:c,CA:a,ST:s,AN:n,WW:w,SW:x,AW:y,CR:r,CD:d,UD:u,A0:QK20";
    EXPECT_EQ(std::string(file.begin() + from, file.begin() + static_cast<std::ptrdiff_t>(from + tags.size())), tags);
}

TEST(AtrWriter, DurationBytes)
{
    struct Row {
        int value;
        ByteVector bytes;
    };
    const Row rows[] = {{0, {0x00}},         {25, {0x19}},         {127, {0x7F}},       {128, {0x80, 0x00}},
                        {129, {0x80, 0x01}}, {250, {0x80, 0x7A}},  {255, {0x80, 0x7F}}, {256, {0x81, 0x00}},
                        {16510, {0xFF, 0x7E}}, {16511, {0xFF, 0x7F}}};
    for (const Row& row : rows)
        EXPECT_EQ(AtrWriter::durationBytes(row.value), row.bytes) << row.value;
}

TEST(AtrWriter, SequenceLengthsAroundTheOneByteLimit)
{
    struct Row {
        int frames;  // at 4000 Hz: 4 frames a millisecond
        ByteVector lengths;
        std::uint32_t stopPoint;
    };
    const Row rows[] = {
        {4 * 4 * 126, hex("7E 7F"), 10},
        {4 * 4 * 127, hex("7F 80 00"), 11},
        {4 * 4 * 128, hex("80 00 80 01"), 12},
    };
    for (const Row& row : rows) {
        const ByteVector file = buildFile(ContentInfo{}, test::monoFormat(4000, row.frames),
                                          ByteVector(static_cast<std::size_t>(row.frames / 2)));
        const std::size_t sequence = test::find(file, "Atsq");
        EXPECT_EQ(ByteVector(file.begin() + static_cast<std::ptrdiff_t>(sequence) + 14,
                             file.begin() + static_cast<std::ptrdiff_t>(sequence + 14 + row.lengths.size())),
                  row.lengths);
        EXPECT_EQ(be32At(file, test::find(file, "AspI") + 19), row.stopPoint);
    }
}

TEST(AtrWriter, PlayTimeIsLimitedTo16510Ticks)
{
    struct Row {
        int rate, frames;
        std::size_t adpcmIn, adpcmOut;
        ByteVector lengths;
    };
    const Row rows[] = {
        // M = 66040: t = 16510, nothing cut.
        {8000, 528320, 264160, 264160, hex("FF 7E FF 7F")},
        // M = 66041 would give 16511: t = 16510 and the sound is cut.
        {8000, 528328, 264164, 264160, hex("FF 7E FF 7F")},
        {4000, 400000, 200000, 132080, hex("FF 7E FF 7F")},
        // Shorter ADPCM than the limit is padded with zero bytes.
        {4000, 300000, 1000, 132080, hex("FF 7E FF 7F")},
    };
    for (const Row& row : rows) {
        AtrWriter writer;
        ByteVector adpcm(row.adpcmIn, 0x77);
        ByteVector out;
        ASSERT_EQ(writer.build(0, ContentInfo{}, test::monoFormat(row.rate, row.frames), adpcm, out), 0);
        EXPECT_EQ(adpcm.size(), row.adpcmOut) << row.frames;
        const std::size_t wave = test::find(out, "Awa\x01");
        EXPECT_EQ(be32At(out, wave + 4), row.adpcmOut) << row.frames;
        const std::size_t sequence = test::find(out, "Atsq");
        EXPECT_EQ(ByteVector(out.begin() + static_cast<std::ptrdiff_t>(sequence) + 14,
                             out.begin() + static_cast<std::ptrdiff_t>(sequence) + 18),
                  row.lengths);
    }
}

TEST(AtrWriter, RatesWithoutAWaveTypeAreRefused)
{
    for (int rate : {0, 3999, 4001, 7999, 8001, 11025, 44100}) {
        AtrWriter writer;
        ByteVector adpcm(100);
        ByteVector out;
        EXPECT_LT(writer.build(0, ContentInfo{}, test::monoFormat(rate, 200), adpcm, out), 0) << rate;
        EXPECT_TRUE(out.empty()) << rate;
    }
}

TEST(AtrWriter, MsToTicksCoversTheDuration)
{
    struct Row {
        int ms, timebase, ticks;
    };
    const Row rows[] = {
        {0, 2, 0},    {1, 2, 1},     {4, 2, 1},     {5, 2, 2},      {100, 2, 25},  {66040, 2, 16510},
        {66041, 2, 16511}, {5, 3, 1}, {6, 3, 2},    {10, 0x10, 1},  {11, 0x10, 2}, {20, 0x11, 1},
        {21, 0x11, 2}, {-1, 2, -1},  {100, 1, -1},  {100, 4, -1},   {2147483647, 2, 536870912},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TessalWriter::msToTicks(row.ms, row.timebase), row.ticks) << row.ms << " at " << row.timebase;
}

}  // namespace
}  // namespace korvel
