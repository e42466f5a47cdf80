#include "formats/WavReader.h"

#include <gtest/gtest.h>

#include "formats/ByteStream.h"
#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

using test::Bytes;
using test::ImageBuilder;
using test::riffForm;
using test::WavFields;
using test::wavFormatBody;
using test::wavImage;

struct Parsed {
    explicit Parsed(const Bytes& bytes) : image(bytes), stream(image.data(), static_cast<int>(image.size())) {}
    Bytes image;
    ByteStream stream;
    WavReader reader{&stream};
};

TEST(WavReader, CanonicalImageParsesAndReadsBack)
{
    Parsed p(wavImage({.channels = 2, .sampleRate = 22050}, test::samplesLE({1, -1, 300, -300, 32767, -32768})));
    const WavReader& r = p.reader;
    EXPECT_EQ(r.format.channels, 2);
    EXPECT_EQ(r.format.sampleRate, 22050);
    EXPECT_EQ(r.format.bitsPerSample, 16);
    EXPECT_EQ(r.bytesPerSample, 2);
    EXPECT_EQ(r.format.blockAlign, 4);
    EXPECT_EQ(r.dataOffset, 44);
    EXPECT_EQ(r.format.dataBytes, 12);
    EXPECT_EQ(r.format.frameCount, 3);

    std::int16_t out[8] = {};
    EXPECT_EQ(p.reader.read(out, 8), 3);
    const std::int16_t expected[] = {1, -1, 300, -300, 32767, -32768};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(out[i], expected[i]);
    EXPECT_EQ(p.reader.read(out, 8), 0);
}

TEST(WavReader, EightBitSamplesAreWidenedAroundTheMidpoint)
{
    Parsed p(wavImage({.bitsPerSample = 8}, {0x00, 0x80, 0xFF, 0x7F}));
    ASSERT_EQ(p.reader.format.channels, 1);
    EXPECT_EQ(p.reader.bytesPerSample, 1);
    std::int16_t out[4] = {};
    ASSERT_EQ(p.reader.read(out, 4), 4);
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 32512);
    EXPECT_EQ(out[3], -256);
}

TEST(WavReader, AcceptedHeaderVariants)
{
    struct Row {
        const char* what;
        Bytes image;
        int bitsPerSample, bytesPerSample, frameCount, dataOffset;
    };
    const Bytes frames4 = test::samplesLE({1, 2, 3, 4});
    const Row rows[] = {
        {"an 18-byte fmt chunk with an extension size",
         wavImage({.extension = {0, 0}}, frames4), 16, 2, 4, 46},
        {"an odd LIST chunk and its pad byte before data",
         riffForm("WAVE", ImageBuilder()
                              .riffChunk("fmt ", wavFormatBody({}))
                              .riffChunk("LIST", {'a', 'b', 'c'})
                              .riffChunk("data", frames4)),
         16, 2, 4, 56},
        {"a 12-bit file", wavImage({.bitsPerSample = 12}, frames4), 12, 2, 4, 44},
        {"a 24-bit file", wavImage({.bitsPerSample = 24}, Bytes(12, 0)), 24, 3, 4, 44},
        {"a data chunk of 9 bytes in 16-bit mono", wavImage({}, Bytes(9, 0)), 16, 2, 4, 44},
        {"a RIFF chunk followed by other bytes", [&] {
             Bytes b = wavImage({}, frames4);
             b.insert(b.end(), {'j', 'u', 'n', 'k'});
             return b;
         }(), 16, 2, 4, 44},
    };
    for (const Row& row : rows) {
        Parsed p(row.image);
        EXPECT_EQ(p.reader.format.channels, 1) << row.what;
        EXPECT_EQ(p.reader.format.bitsPerSample, row.bitsPerSample) << row.what;
        EXPECT_EQ(p.reader.bytesPerSample, row.bytesPerSample) << row.what;
        EXPECT_EQ(p.reader.format.frameCount, row.frameCount) << row.what;
        EXPECT_EQ(p.reader.dataOffset, row.dataOffset) << row.what;
    }
}

TEST(WavReader, RefusedHeadersLeaveChannelsZero)
{
    const Bytes frames = test::samplesLE({1, 2, 3, 4});
    Bytes riffTooLarge = wavImage({}, frames);
    riffTooLarge[4] += 1;  // one byte more than the image holds
    Bytes dataTooLarge = wavImage({}, frames);
    dataTooLarge[40] += 2;
    Bytes riffHuge = wavImage({}, frames);
    riffHuge[7] = 0x80;  // 2^31 and more
    Bytes shortFormat = wavFormatBody({});
    shortFormat.resize(12);
    struct Row {
        const char* what;
        Bytes image;
    };
    const Row rows[] = {
        {"an empty image", {}},
        {"a header cut after the identifier", ImageBuilder().text("RIFF")},
        {"no RIFF chunk", ImageBuilder().riffChunk("RIFX", wavFormatBody({}))},
        {"a RIFF size larger than the image", riffTooLarge},
        {"a RIFF size of 2^31 or more", riffHuge},
        {"a form type other than WAVE", riffForm("AVI ", ImageBuilder().riffChunk("fmt ", wavFormatBody({})))},
        {"a RIFF chunk too small for its form type", ImageBuilder().text("RIFF").le32(2).text("WA")},
        {"no fmt chunk", riffForm("WAVE", ImageBuilder().riffChunk("data", frames))},
        {"data before fmt", riffForm("WAVE", ImageBuilder().riffChunk("data", frames).riffChunk("fmt ", wavFormatBody({})))},
        {"no data chunk", riffForm("WAVE", ImageBuilder().riffChunk("fmt ", wavFormatBody({})))},
        {"a data size past the RIFF chunk", dataTooLarge},
        {"format tag 3 (floating point)", wavImage({.formatTag = 3}, frames)},
        {"format tag 65534 (extensible)", wavImage({.formatTag = 65534}, frames)},
        {"zero channels", wavImage({.channels = 0, .blockAlign = 2}, frames)},
        {"a rate of 2^31", wavImage({.sampleRate = 0x80000000u}, frames)},
        {"stereo with block align 3", wavImage({.channels = 2, .blockAlign = 3}, frames)},
        {"block align 0", wavImage({.bitsPerSample = 0, .blockAlign = 0}, frames)},
        {"16 bits in a block align of 1", wavImage({.bitsPerSample = 16, .blockAlign = 1}, frames)},
        {"a fmt chunk of 12 bytes", riffForm("WAVE", ImageBuilder()
                                                         .riffChunk("fmt ", shortFormat)
                                                         .riffChunk("data", frames))},
    };
    for (const Row& row : rows) {
        Parsed p(row.image);
        EXPECT_EQ(p.reader.format.channels, 0) << row.what;
        std::int16_t out[4];
        EXPECT_EQ(p.reader.read(out, 4), -1) << row.what;
        EXPECT_EQ(p.reader.rewind(), -1) << row.what;
    }
}

TEST(WavReader, ReadsStopAtTheDataChunkAndDropAPartialFrame)
{
    // Three stereo frames and one lone sample; a "LIST" chunk follows the data.
    Bytes image = riffForm("WAVE", ImageBuilder()
                                       .riffChunk("fmt ", wavFormatBody({.channels = 2}))
                                       .riffChunk("data", test::samplesLE({1, 2, 3, 4, 5, 6, 7}))
                                       .riffChunk("LIST", test::samplesLE({99, 99})));
    Parsed p(image);
    ASSERT_EQ(p.reader.format.frameCount, 3);
    std::int16_t out[10] = {};
    EXPECT_EQ(p.reader.read(out, 2), 2);
    // The lone sample is stored after the last whole frame, but its frame
    // is not counted.
    EXPECT_EQ(p.reader.read(out, 5), 1);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[1], 6);
    EXPECT_EQ(out[2], 7);
    EXPECT_EQ(p.reader.read(out, 5), 0);
}

TEST(WavReader, RewindSeekAndRawBytes)
{
    Parsed p(wavImage({}, test::samplesLE({10, 20, 30, 40})));
    std::int16_t out[4] = {};
    ASSERT_EQ(p.reader.read(out, 4), 4);
    ASSERT_EQ(p.reader.rewind(), 0);
    ASSERT_EQ(p.reader.read(out, 1), 1);
    EXPECT_EQ(out[0], 10);
    ASSERT_EQ(p.reader.seekFrame(2), 0);
    ASSERT_EQ(p.reader.read(out, 4), 2);
    EXPECT_EQ(out[0], 30);
    EXPECT_EQ(p.reader.seekFrame(-1), -1);
    ASSERT_EQ(p.reader.seekFrame(1), 0);
    std::uint8_t raw[3] = {};
    EXPECT_EQ(p.reader.readBytes(raw, 3), 3);
    EXPECT_EQ(raw[0], 20);
    EXPECT_EQ(raw[2], 30);
}

TEST(WavReader, TwentyFourBitSamplesParseButAreNotDelivered)
{
    Parsed p(wavImage({.bitsPerSample = 24}, Bytes(6, 0)));
    ASSERT_EQ(p.reader.format.channels, 1);
    std::int16_t out[2];
    EXPECT_EQ(p.reader.read(out, 2), -1);
    EXPECT_EQ(p.reader.read(out, 0), 0);
}

}  // namespace
}  // namespace korvel
