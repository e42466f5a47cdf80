#include "reference/MtrWriter.h"

#include <memory>

#include <gtest/gtest.h>

#include "reference/MtrProWriter.h"
#include "tests/tessal/TessalTestSupport.h"

namespace korvel {
namespace {

using test::be32At;
using test::hex;

ClipFormat format(int channels, int rate, int frames)
{
    return ClipFormat::of16Bit(rate, channels, frames);
}

ByteVector buildFile(MtrWriter& writer, const ClipFormat& clip, ByteVector adpcm)
{
    ByteVector out;
    EXPECT_EQ(writer.build(0, ContentInfo{}, clip, adpcm, out), 0);
    return out;
}

TEST(MtrWriter, OneSecondMonoAtEightThousandHertz)
{
    MtrWriter writer;
    const ByteVector file = buildFile(writer, format(1, 8000, 8000), ByteVector(4000, 0x80));
    EXPECT_EQ(be32At(file, 4), file.size() - 8);
    EXPECT_EQ(ByteVector(file.begin() + 8, file.begin() + 21), hex("43 4E 54 49 00 00 00 05 00 32 01 F8 00"));
    const std::size_t options = 21;
    EXPECT_EQ(std::string(file.begin() + options, file.begin() + options + 4), "OPDA");
    EXPECT_EQ(be32At(file, options + 4), 33u);
    EXPECT_EQ(ByteVector(file.begin() + options + 8, file.begin() + options + 26),
              hex("44 63 68 FF 00 00 00 19 45 53 00 01 F8 41 30 00 06 51"));
    const std::size_t track = options + 41;
    EXPECT_EQ(std::string(file.begin() + static_cast<std::ptrdiff_t>(track), file.begin() + static_cast<std::ptrdiff_t>(track) + 3), "MTR");
    EXPECT_EQ(file[track + 3], 5);
    EXPECT_EQ(be32At(file, track + 4) + track + 8 + 2, file.size());
    EXPECT_EQ(ByteVector(file.begin() + static_cast<std::ptrdiff_t>(track) + 8, file.begin() + static_cast<std::ptrdiff_t>(track) + 12), hex("02 00 02 02"));

    const std::size_t sequence = test::find(file, "Mtsq");
    ASSERT_EQ(sequence, track + 53);
    const std::size_t end = sequence + 8 + be32At(file, sequence + 4);
    EXPECT_EQ(ByteVector(file.begin() + static_cast<std::ptrdiff_t>(end) - 11, file.begin() + static_cast<std::ptrdiff_t>(end)),
              hex("00 90 00 7F 81 7A 81 7A FF 2F 00"));
    const std::size_t stream = test::find(file, "Mtsp");
    EXPECT_EQ(stream, end);
    EXPECT_EQ(be32At(file, stream + 4), 4u + 4 + 3 + 4000);
    EXPECT_EQ(ByteVector(file.begin() + static_cast<std::ptrdiff_t>(stream) + 8, file.begin() + static_cast<std::ptrdiff_t>(stream) + 19),
              hex("4D 77 61 01 00 00 0F A3 20 1F 40"));
}

TEST(MtrWriter, VariantsDifferOnlyWhereTheyShould)
{
    MtrWriter plain;
    MtrProWriter pro;
    const ByteVector a = buildFile(plain, format(1, 8000, 8000), ByteVector(4000, 0x80));
    const ByteVector b = buildFile(pro, format(1, 8000, 8000), ByteVector(4000, 0x80));
    ASSERT_EQ(b.size(), a.size() + 20);
    EXPECT_EQ(a[17], 0x32);
    EXPECT_EQ(b[17], 0x34);
    EXPECT_EQ(be32At(a, 25) + 8, 41u);
    EXPECT_EQ(be32At(b, 25) + 8, 61u);
    // The "Pro" sub-chunk: eight zero bytes and the play length 250.
    EXPECT_EQ(ByteVector(b.begin() + 21 + 41, b.begin() + 21 + 61),
              hex("50 72 6F 05 00 00 00 0C 00 00 00 00 00 00 00 00 00 00 00 FA"));
    EXPECT_EQ(a[21 + 41 + 3], 5);
    EXPECT_EQ(b[21 + 61 + 3], 6);
    // The tracks are alike but for their number, so the files differ in
    // their check characters and CRC, and nowhere else.
    ByteVector trackA(a.begin() + 62, a.end() - 2), trackB(b.begin() + 82, b.end() - 2);
    trackB[3] = 5;
    EXPECT_EQ(trackA, trackB);
}

TEST(MtrWriter, FormatByteFollowsTheChannels)
{
    for (int channels : {1, 2}) {
        MtrWriter writer;
        const ByteVector file = buildFile(writer, format(channels, 4000, 1000), ByteVector(channels == 1 ? 500 : 1000));
        const std::size_t wave = test::find(file, "Mwa\x01");
        EXPECT_EQ(file[wave + 8], channels == 1 ? 0x20 : 0xA0);
        EXPECT_EQ(ByteVector(file.begin() + static_cast<std::ptrdiff_t>(wave) + 9, file.begin() + static_cast<std::ptrdiff_t>(wave) + 11), hex("0F A0"));
    }
}

TEST(MtrWriter, LongClipsGetTheirFullPlayLength)
{
    // 3,000,000 frames at 8000 Hz: frames x 1000 does not fit 32 bits, and
    // the play length is 375 s, 93750 ticks.
    MtrProWriter writer;
    const ByteVector file = buildFile(writer, format(1, 8000, 3000000), ByteVector(1500000));
    const std::size_t pro = test::find(file, "Pro\x05");
    EXPECT_EQ(be32At(file, pro + 16), 93750u);
    const std::size_t sequence = test::find(file, "Mtsq");
    const std::size_t end = sequence + 8 + be32At(file, sequence + 4);
    EXPECT_EQ(ByteVector(file.begin() + static_cast<std::ptrdiff_t>(end) - 9, file.begin() + static_cast<std::ptrdiff_t>(end)),
              hex("85 DC 36 85 DC 36 FF 2F 00"));
}

TEST(MtrWriter, ClipsItCannotDescribeAreRefused)
{
    struct Row {
        const char* what;
        ClipFormat clip;
    };
    const Row rows[] = {
        {"three channels", format(3, 8000, 100)},
        {"a rate of 0", format(1, 0, 100)},
        {"a negative frame count", format(1, 8000, -5)},
        {"2^28 ticks or more", format(1, 1, 1100000)},
    };
    for (const Row& row : rows) {
        MtrWriter writer;
        ByteVector adpcm(10);
        ByteVector out;
        EXPECT_LT(writer.build(0, ContentInfo{}, row.clip, adpcm, out), 0) << row.what;
        EXPECT_TRUE(out.empty()) << row.what;
    }
}

}  // namespace
}  // namespace korvel
