#include "reference/AudioClip.h"

#include <climits>
#include <memory>

#include <gtest/gtest.h>

#include "reference/ResultCodes.h"
#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

using test::AiffFields;
using test::aiffImage;
using test::Bytes;
using test::ImageBuilder;
using test::WavFields;
using test::wavImage;

int loadImage(AudioClip& clip, bool isAiff, const Bytes& image)
{
    return clip.load(isAiff, image.data(), static_cast<int>(image.size()));
}

// WAV sample data for a number of frames of the given width and channels.
Bytes silence(int frames, int channels, int bits)
{
    return Bytes(static_cast<std::size_t>(frames * channels * ((bits + 7) / 8)), bits == 8 ? 0x80 : 0x00);
}

Bytes wav(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, int frames)
{
    return wavImage({.channels = channels, .sampleRate = rate, .bitsPerSample = bits}, silence(frames, channels, bits));
}

Bytes aiff(std::uint16_t channels, double rate, std::uint16_t bits, std::uint32_t frames)
{
    return aiffImage({.channels = channels, .frames = frames, .sampleSize = bits, .sampleRate = rate},
                     silence(static_cast<int>(frames), channels, bits));
}

TEST(AudioClip, LoadResultsInTheOrderOfTheirChecks)
{
    struct Row {
        const char* what;
        bool isAiff;
        Bytes image;
        int result;
    };
    const Row rows[] = {
        {"a WAV at 4000 Hz", false, wav(1, 4000, 16, 100), kOk},
        {"a WAV at 48000 Hz", false, wav(2, 48000, 8, 1008), kOk},
        {"1007 frames at 48000 Hz", false, wav(2, 48000, 8, 1007), kPlayTimeTooShort},
        {"an AIFF at 22254.54 Hz", true, aiff(1, 22254.545454545454, 16, 500), kOk},
        {"168 frames at 8000 Hz", false, wav(1, 8000, 16, 168), kOk},
        {"927 frames at 44100 Hz", true, aiff(2, 44100.0, 16, 927), kOk},
        {"not a WAV image", false, Bytes{'n', 'o', 'p', 'e'}, kInputNotRecognised},
        {"an AIFF image loaded as WAV", false, aiff(1, 8000.0, 16, 200), kInputNotRecognised},
        {"a WAV image loaded as AIFF", true, wav(1, 8000, 16, 200), kInputNotRecognised},
        {"3999 Hz", false, wav(1, 3999, 16, 200), kUnsupportedRate},
        {"48001 Hz", false, wav(1, 48001, 16, 2000), kUnsupportedRate},
        {"3 channels of 16 bits at 96000 Hz", true, aiff(3, 96000.0, 16, 5000), kUnsupportedRate},
        {"3 channels of 24 bits at 44100 Hz", true, aiff(3, 44100.0, 24, 2000), kUnsupportedWidth},
        {"12 bits", false, wav(1, 8000, 12, 200), kUnsupportedWidth},
        {"32 bits", true, aiff(1, 8000.0, 32, 200), kUnsupportedWidth},
        {"3 channels of 16 bits", false, wav(3, 8000, 16, 200), kTooManyChannels},
        {"167 frames at 8000 Hz", false, wav(1, 8000, 16, 167), kPlayTimeTooShort},
        {"926 frames at 44100 Hz", true, aiff(1, 44100.0, 8, 926), kPlayTimeTooShort},
        {"no frames", true, aiff(1, 8000.0, 16, 0), kPlayTimeTooShort},
        {"a negative frame count", true, aiffImage({.frames = 0xFFFFFFFFu, .sampleSize = 8}, {}), kPlayTimeTooShort},
    };
    for (const Row& row : rows) {
        AudioClip clip;
        EXPECT_EQ(loadImage(clip, row.isAiff, row.image), row.result) << row.what;
    }
}

TEST(AudioClip, EightBitStereoLoadsAsSixteenBitStereo)
{
    Bytes data;
    for (int f = 0; f < 200; ++f)
        data.insert(data.end(), {static_cast<std::uint8_t>(f), 0xFF});
    AudioClip clip;
    ASSERT_EQ(loadImage(clip, false, wavImage({.channels = 2, .sampleRate = 8000, .bitsPerSample = 8}, data)), kOk);
    const ClipFormat& f = clip.format();
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.sampleRate, 8000);
    EXPECT_EQ(f.frameCount, 200);
    EXPECT_EQ(f.dataBytes, 800);
    ASSERT_EQ(clip.samples().size(), 400u);
    EXPECT_EQ(clip.samples()[0], -32768);
    EXPECT_EQ(clip.samples()[1], 32512);
    EXPECT_EQ(clip.samples()[256], (128 - 128) * 256);
}

TEST(AudioClip, AiffCutInsideItsSoundDataLoadsWithSilenceForTheMissingFrames)
{
    std::vector<int> values(400, 1234);
    Bytes data;
    for (int v : values)
        data.insert(data.end(), {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
    Bytes image = aiffImage({.frames = 400}, data);
    image.resize(image.size() - 2 * 100 - 1);  // 299 whole frames remain
    AudioClip clip;
    ASSERT_EQ(loadImage(clip, true, image), kOk);
    EXPECT_EQ(clip.format().frameCount, 400);
    ASSERT_EQ(clip.samples().size(), 400u);
    EXPECT_EQ(clip.samples()[298], 1234);
    EXPECT_EQ(clip.samples()[299], 0);
    EXPECT_EQ(clip.samples()[399], 0);
}

TEST(AudioClip, WavWhoseSizesRunPastTheEndIsNotRecognised)
{
    Bytes cut = wav(1, 8000, 16, 400);
    cut.resize(cut.size() - 1);
    AudioClip clip;
    EXPECT_EQ(loadImage(clip, false, cut), kInputNotRecognised);
}

TEST(AudioClip, ClipsTooLargeForTheirByteCountAreRefused)
{
    // The "FORM" size is taken as stated, so a tiny image can announce an
    // enormous sound. Its 16-bit samples would not fit the 32-bit byte count.
    struct Row {
        std::uint16_t channels;
        std::uint32_t frames;
    };
    for (Row row : {Row{1, 0x40000000u}, Row{2, 0x20000000u}, Row{2, 0x30000000u}}) {
        AudioClip clip;
        const Bytes image = test::announcingAiff({.channels = row.channels, .frames = row.frames, .sampleSize = 8}, {});
        EXPECT_EQ(loadImage(clip, true, image), kInputNotRecognised)
            << row.channels << " x " << row.frames;
        EXPECT_TRUE(clip.samples().empty());
    }
}

TEST(AudioClip, ImagesTooLongForTheReaderAreRefusedNotCut)
{
    const Bytes image = wav(1, 8000, 16, 400);
    AudioClip clip;
    // The span is never read beyond its first bytes: the length alone decides.
    std::span<const std::uint8_t> huge(image.data(), static_cast<std::size_t>(INT_MAX) + 1);
    EXPECT_EQ(clip.load(false, huge), kInputNotRecognised);
    EXPECT_EQ(clip.load(false, std::span<const std::uint8_t>(image)), kOk);
    EXPECT_EQ(clip.load(false, nullptr, 10), kInputNotRecognised);
    EXPECT_EQ(clip.load(false, image.data(), -1), kInputNotRecognised);
}

TEST(AudioClip, MixDownModes)
{
    struct Row {
        int mode;
        int left, right, mono;
    };
    const Row rows[] = {
        {AudioClip::kMixAverage, 1, 1, 0},
        {AudioClip::kMixAverage, -3, -3, -2},
        {AudioClip::kMixAverage, 32767, 32767, 32766},
        {AudioClip::kMixAverage, -32768, -32768, -32768},
        {AudioClip::kMixAverage, 32767, -32768, -1},
        {AudioClip::kMixLeft, 100, -200, 100},
        {AudioClip::kMixRight, 100, -200, -200},
    };
    for (const Row& row : rows) {
        std::vector<std::int16_t> values;
        for (int f = 0; f < 200; ++f) {
            values.push_back(static_cast<std::int16_t>(row.left));
            values.push_back(static_cast<std::int16_t>(row.right));
        }
        AudioClip clip;
        ASSERT_EQ(loadImage(clip, false, wavImage({.channels = 2}, test::samplesLE(values))), kOk);
        ASSERT_EQ(clip.mixDown(row.mode), kOk);
        const ClipFormat& f = clip.format();
        EXPECT_EQ(f.channels, 1);
        EXPECT_EQ(f.blockAlign, 2);
        EXPECT_EQ(f.dataBytes, 400);
        EXPECT_EQ(f.frameCount, 200);
        EXPECT_EQ(f.bitsPerSample, 16);
        ASSERT_EQ(clip.samples().size(), 200u);
        EXPECT_EQ(clip.samples()[0], row.mono) << row.left << " " << row.right;
        EXPECT_EQ(clip.samples()[199], row.mono) << row.left << " " << row.right;
    }
}

TEST(AudioClip, MixDownKeepsFrameOrder)
{
    std::vector<std::int16_t> values;
    for (int f = 0; f < 200; ++f) {
        values.push_back(static_cast<std::int16_t>(4 * f));
        values.push_back(static_cast<std::int16_t>(4 * f + 2));
    }
    AudioClip clip;
    ASSERT_EQ(loadImage(clip, false, wavImage({.channels = 2}, test::samplesLE(values))), kOk);
    ASSERT_EQ(clip.mixDown(AudioClip::kMixAverage), kOk);
    for (int f = 0; f < 200; ++f)
        ASSERT_EQ(clip.samples()[static_cast<std::size_t>(f)], 4 * f + 1);
}

TEST(AudioClip, MixDownLeavesMonoAlikeAndRefusesAnUnknownMode)
{
    AudioClip mono;
    ASSERT_EQ(loadImage(mono, false, wavImage({}, test::samplesLE(std::vector<std::int16_t>(200, 7)))), kOk);
    EXPECT_EQ(mono.mixDown(3), kOk);
    EXPECT_EQ(mono.samples().size(), 200u);

    AudioClip stereo;
    ASSERT_EQ(loadImage(stereo, false, wavImage({.channels = 2}, test::samplesLE(std::vector<std::int16_t>(400, 7)))),
              kOk);
    EXPECT_EQ(stereo.mixDown(3), kFailed);
    EXPECT_EQ(stereo.mixDown(-1), kFailed);
    EXPECT_EQ(stereo.format().channels, 2);
    EXPECT_EQ(stereo.format().dataBytes, 800);
    EXPECT_EQ(stereo.samples().size(), 400u);
}

TEST(AudioClip, GetFormatCopiesTheFormatOrRefusesNull)
{
    AudioClip clip;
    ASSERT_EQ(loadImage(clip, true, aiff(2, 11025.0, 8, 300)), kOk);
    EXPECT_EQ(clip.getFormat(nullptr), kBadCall);
    ClipFormat out;
    ASSERT_EQ(clip.getFormat(&out), kOk);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.bitsPerSample, 16);
    EXPECT_EQ(out.blockAlign, 4);
    EXPECT_EQ(out.sampleRate, 11025);
    EXPECT_EQ(out.dataBytes, 1200);
    EXPECT_EQ(out.frameCount, 300);
    clip.clear();
    EXPECT_TRUE(clip.samples().empty());
    EXPECT_EQ(clip.format().frameCount, 300);
}

// Every prefix of a valid image, each in a buffer of exactly its length, so
// that a read past its end shows under the address sanitizer.
void loadEveryPrefix(bool isAiff, const Bytes& image)
{
    for (std::size_t n = 0; n <= image.size(); ++n) {
        auto prefix = std::make_unique<std::uint8_t[]>(n == 0 ? 1 : n);
        std::copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n), prefix.get());
        AudioClip clip;
        int result = clip.load(isAiff, prefix.get(), static_cast<int>(n));
        EXPECT_TRUE(result == kOk || result == kInputNotRecognised || result == kPlayTimeTooShort)
            << "prefix " << n << " gave " << result;
        if (result == kOk) {
            EXPECT_EQ(clip.samples().size(), clip.format().frameCount * std::size_t{clip.format().channels});
        }
    }
}

TEST(AudioClip, EveryPrefixOfAnImageLoadsOrIsRefused)
{
    Bytes data = silence(200, 2, 16);
    loadEveryPrefix(false, test::riffForm("WAVE", ImageBuilder()
                                                      .riffChunk("fmt ", test::wavFormatBody({.channels = 2, .extension = {0, 0}}))
                                                      .riffChunk("LIST", {'x', 'y', 'z'})
                                                      .riffChunk("data", data)));
    loadEveryPrefix(true, test::iffForm("AIFF", ImageBuilder()
                                                    .iffChunk("SSND", test::aiffSoundBody(data, 3))
                                                    .iffChunk("NAME", {'n'})
                                                    .iffChunk("COMM", test::aiffCommonBody({.channels = 2, .frames = 200}))));
}

}  // namespace
}  // namespace korvel
