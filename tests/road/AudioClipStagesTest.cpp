// The stages that follow loading: the WAV image, the resampler, the encoder
// with its writers.

#include <cstring>

#include <gtest/gtest.h>

#include "dsp/AdpcmDecoder.h"
#include "dsp/AdpcmEncoder.h"
#include "dsp/Resampler.h"
#include "formats/ByteStream.h"
#include "formats/WavReader.h"
#include "reference/AudioClip.h"
#include "reference/ResultCodes.h"
#include "tessal/ContentInfo.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/VectorSource.h"
#include "tests/tessal/TessalTestSupport.h"

namespace korvel {
namespace {

using test::Bytes;

AudioClip clipOf(const std::vector<std::int16_t>& interleaved, int channels, int rate)
{
    AudioClip clip;
    const Bytes image = test::wavImage({.channels = static_cast<std::uint16_t>(channels),
                                        .sampleRate = static_cast<std::uint32_t>(rate)},
                                       test::samplesLE(interleaved));
    EXPECT_EQ(clip.load(false, image.data(), static_cast<int>(image.size())), kOk);
    return clip;
}

// The encoded payload inside a written file: after "Awa" 01 and its length.
std::vector<std::uint8_t> payloadOf(const std::vector<std::uint8_t>& file)
{
    for (std::size_t i = 0; i + 8 <= file.size(); ++i)
        if (std::memcmp(file.data() + i, "Awa\x01", 4) == 0)
            return {file.begin() + static_cast<std::ptrdiff_t>(i) + 8,
                    file.begin() + static_cast<std::ptrdiff_t>(i + 8 + test::be32At(file, i + 4))};
    return {};
}

TEST(AudioClipStages, WriteWavReadsBackAsTheSameClip)
{
    for (int channels : {1, 2}) {
        const std::vector<std::int16_t> values = test::sine(600 * channels, 300, 11025, 20000);
        const AudioClip clip = clipOf(values, channels, 11025);
        ByteVector image;
        ASSERT_EQ(clip.writeWav(image), kOk);
        ASSERT_EQ(image.size(), 44u + 2 * values.size());
        EXPECT_EQ(image[4] | (image[5] << 8) | (image[6] << 16) | (image[7] << 24), static_cast<int>(image.size()) - 8);
        // Byte rate and block align follow from the 16-bit samples.
        EXPECT_EQ(image[28] | (image[29] << 8) | (image[30] << 16), 2 * channels * 11025);
        EXPECT_EQ(image[32], 2 * channels);
        EXPECT_EQ(image[34], 16);

        ByteStream stream(image.data(), static_cast<int>(image.size()));
        WavReader reader(&stream);
        EXPECT_EQ(reader.format.channels, channels);
        EXPECT_EQ(reader.format.sampleRate, 11025);
        EXPECT_EQ(reader.format.frameCount, 600);
        EXPECT_EQ(reader.format.bitsPerSample, 16);
        EXPECT_EQ(reader.bytesPerSample, 2);
        EXPECT_EQ(reader.format.blockAlign, 2 * channels);
        EXPECT_EQ(reader.dataOffset, 44);
        std::vector<std::int16_t> back(values.size());
        ASSERT_EQ(reader.read(back.data(), 600), 600);
        EXPECT_EQ(back, values);
    }
}

TEST(AudioClipStages, ResampleAtTheSameRateChangesNothing)
{
    AudioClip clip = clipOf(test::sine(1000, 440, 8000, 9000), 1, 8000);
    const std::vector<std::int16_t> before = clip.samples();
    ASSERT_EQ(clip.resample(8000, 256), kOk);
    EXPECT_EQ(clip.samples(), before);
    EXPECT_EQ(clip.format().sampleRate, 8000);
    EXPECT_EQ(clip.format().frameCount, 1000);
}

TEST(AudioClipStages, ResampleCountsAndFormat)
{
    struct Row {
        int channels, frames, inRate, outRate, expected;
    };
    const Row rows[] = {
        {1, 1000, 8000, 4000, 500}, {1, 1001, 8000, 4000, 501}, {1, 22050, 44100, 8000, 4000},
        {2, 4410, 44100, 8000, 800}, {2, 1000, 4000, 8000, 2000}, {1, 5000, 48000, 4000, 417},
    };
    for (const Row& row : rows) {
        AudioClip clip = clipOf(test::sine(row.frames * row.channels, 500, row.inRate, 10000), row.channels, row.inRate);
        ASSERT_EQ(clip.resample(row.outRate, 256), kOk);
        const ClipFormat& f = clip.format();
        EXPECT_EQ(f.frameCount, row.expected) << row.frames << " at " << row.inRate;
        EXPECT_EQ(f.sampleRate, row.outRate);
        EXPECT_EQ(f.channels, row.channels);
        EXPECT_EQ(f.bitsPerSample, 16);
        EXPECT_EQ(f.blockAlign, 2 * row.channels);
        EXPECT_EQ(f.dataBytes, 2 * row.channels * row.expected);
        EXPECT_EQ(clip.samples().size(), static_cast<std::size_t>(row.channels * row.expected));
    }
}

TEST(AudioClipStages, ResampleOfAMonoClipEqualsTheConverterItself)
{
    const std::vector<std::int16_t> input = test::sine(8820, 1000, 44100, 15000);
    AudioClip clip = clipOf(input, 1, 44100);
    ASSERT_EQ(clip.resample(8000, 256), kOk);

    test::VectorSource source(input, 1, 44100);
    Resampler direct(&source);
    ASSERT_EQ(direct.setup(8000, 256, 640, 81920), 0);
    std::vector<std::int16_t> expected(1600);
    ASSERT_EQ(direct.read(expected.data(), 1600), 1600);
    EXPECT_EQ(clip.samples(), expected);
}

// A stereo clip is converted channel by channel, each exactly as a mono
// clip of that channel would be, whatever the filter's kind.
TEST(AudioClipStages, ResampleOfAStereoClipIsTwoMonoConversions)
{
    struct Row {
        int inRate, outRate;
    };
    for (Row row : {Row{44100, 8000}, Row{8000, 4000}, Row{4000, 8000}, Row{44056, 8000}}) {
        const int frames = row.inRate / 4;
        const std::vector<std::int16_t> left = test::sine(frames, 440, row.inRate, 20000);
        const std::vector<std::int16_t> right = test::sine(frames, 1500, row.inRate, -12000);
        std::vector<std::int16_t> both;
        for (int i = 0; i < frames; ++i) {
            both.push_back(left[static_cast<std::size_t>(i)]);
            both.push_back(right[static_cast<std::size_t>(i)]);
        }
        AudioClip stereo = clipOf(both, 2, row.inRate), leftClip = clipOf(left, 1, row.inRate),
                  rightClip = clipOf(right, 1, row.inRate);
        ASSERT_EQ(stereo.resample(row.outRate, 256), kOk);
        ASSERT_EQ(leftClip.resample(row.outRate, 256), kOk);
        ASSERT_EQ(rightClip.resample(row.outRate, 256), kOk);
        ASSERT_EQ(stereo.format().frameCount, leftClip.format().frameCount);
        for (std::size_t f = 0; f < leftClip.samples().size(); ++f) {
            ASSERT_EQ(stereo.samples()[2 * f], leftClip.samples()[f]) << row.inRate << " frame " << f;
            ASSERT_EQ(stereo.samples()[2 * f + 1], rightClip.samples()[f]) << row.inRate << " frame " << f;
        }
    }
}

TEST(AudioClipStages, RefusedResampleLeavesTheClipAsItWas)
{
    AudioClip clip = clipOf(test::sine(2000, 440, 48000, 9000), 1, 48000);
    const std::vector<std::int16_t> before = clip.samples();
    EXPECT_EQ(clip.resample(0, 256), kFailed);
    EXPECT_EQ(clip.resample(8000, 1), kFailed);
    EXPECT_EQ(clip.resample(4000, 2), kFailed);  // 12 input samples a step with a 2-tap filter
    EXPECT_EQ(clip.samples(), before);
    EXPECT_EQ(clip.format().sampleRate, 48000);
}

TEST(AudioClipStages, EncodePacksMonoTwoSamplesAByte)
{
    const std::vector<std::int16_t> values = test::sine(801, 440, 8000, 12000);
    AudioClip clip = clipOf(values, 1, 8000);
    ContentInfo info;
    std::vector<std::uint8_t> file(20000);
    const int n = clip.encode(AudioClip::kWriterAudioTrack, 0, &info, file.data(), static_cast<int>(file.size()));
    ASSERT_GT(n, 0);
    file.resize(static_cast<std::size_t>(n));
    const std::vector<std::uint8_t> payload = payloadOf(file);
    ASSERT_EQ(payload.size(), 401u);
    EXPECT_EQ(payload.back() >> 4, 0);

    AdpcmEncoder encoder;
    encoder.reset();
    std::vector<std::uint8_t> expected(401);
    encoder.encode(values.data(), expected.data(), 801);
    EXPECT_EQ(payload, expected);
}

TEST(AudioClipStages, EncodePutsAStereoFrameInOneByte)
{
    // The left channel is loud, the right one silent: its codes 0, 8, 0, 8
    // fill the high nibbles.
    std::vector<std::int16_t> values;
    const std::vector<std::int16_t> left = test::sine(801, 440, 8000, 12000);
    for (std::int16_t v : left) {
        values.push_back(v);
        values.push_back(0);
    }
    AudioClip clip = clipOf(values, 2, 8000);
    ContentInfo info;
    std::vector<std::uint8_t> file(20000);
    const int n = clip.encode(AudioClip::kWriterMusicTrack, 0, &info, file.data(), static_cast<int>(file.size()));
    ASSERT_GT(n, 0);
    file.resize(static_cast<std::size_t>(n));
    std::vector<std::uint8_t> payload;
    for (std::size_t i = 0; i + 4 <= file.size(); ++i)
        if (std::memcmp(file.data() + i, "Mwa\x01", 4) == 0)
            payload.assign(file.begin() + static_cast<std::ptrdiff_t>(i) + 11, file.end() - 2);
    ASSERT_EQ(payload.size(), 801u);

    AdpcmEncoder encoder;
    encoder.reset();
    std::vector<std::uint8_t> leftCodes(401);
    encoder.encode(left.data(), leftCodes.data(), 801);
    for (std::size_t f = 0; f < 801; ++f) {
        const int leftCode = f % 2 == 0 ? leftCodes[f / 2] & 0x0F : leftCodes[f / 2] >> 4;
        ASSERT_EQ(payload[f] & 0x0F, leftCode) << f;
        ASSERT_EQ(payload[f] >> 4, f % 2 == 0 ? 0 : 8) << f;
    }
}

TEST(AudioClipStages, EncodeRefusals)
{
    AudioClip clip = clipOf(test::sine(800, 440, 8000, 12000), 1, 8000);
    ContentInfo info;
    std::vector<std::uint8_t> file(20000, 0xEE);
    const int size = static_cast<int>(file.size());
    EXPECT_EQ(clip.encode(0, 1, &info, file.data(), size), kBadCall);
    EXPECT_EQ(clip.encode(3, 0, &info, file.data(), size), kBadCall);
    EXPECT_EQ(clip.encode(-1, 0, &info, file.data(), size), kBadCall);
    EXPECT_EQ(clip.encode(0, 0, nullptr, file.data(), size), kBadCall);
    EXPECT_EQ(clip.encode(0, 0, &info, nullptr, size), kBadCall);
    AudioClip empty;
    EXPECT_EQ(empty.encode(0, 0, &info, file.data(), size), kBadCall);

    const int length = clip.encode(0, 0, &info, file.data(), size);
    ASSERT_GT(length, 0);
    std::vector<std::uint8_t> shortBuffer(static_cast<std::size_t>(length), 0xEE);
    EXPECT_EQ(clip.encode(0, 0, &info, shortBuffer.data(), length - 1), kOutputTooSmall);
    EXPECT_EQ(shortBuffer, std::vector<std::uint8_t>(static_cast<std::size_t>(length), 0xEE));
    EXPECT_EQ(clip.encode(0, 0, &info, shortBuffer.data(), length), length);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + length), shortBuffer);
}

TEST(AudioClipStages, EncodeRefusesARateTheAudioTrackCannotDescribe)
{
    AudioClip clip = clipOf(test::sine(2205, 440, 44100, 12000), 1, 44100);
    ContentInfo info;
    std::vector<std::uint8_t> file(20000, 0xEE);
    EXPECT_LT(clip.encode(AudioClip::kWriterAudioTrack, 0, &info, file.data(), 20000), 0);
    EXPECT_EQ(file[0], 0xEE);
    // The music-track writers carry the rate itself.
    EXPECT_GT(clip.encode(AudioClip::kWriterMusicTrack, 0, &info, file.data(), 20000), 0);
}

TEST(AudioClipStages, ConvertedSoundDecodesBackToTheResampledClip)
{
    // A stereo 44100 Hz clip mixed down, resampled to 8000 Hz and encoded.
    std::vector<std::int16_t> values;
    const std::vector<std::int16_t> tone = test::sine(44100, 600, 44100, 8000);
    for (std::int16_t v : tone) {
        values.push_back(v);
        values.push_back(static_cast<std::int16_t>(v / 2));
    }
    AudioClip clip = clipOf(values, 2, 44100);
    ASSERT_EQ(clip.mixDown(AudioClip::kMixAverage), kOk);
    ASSERT_EQ(clip.resample(8000, 256), kOk);
    ContentInfo info;
    info.codeType = ContentInfo::kCodeUtf8;
    std::strcpy(info.slots[ContentInfo::kSlotTitle], "tone");
    std::vector<std::uint8_t> file(static_cast<std::size_t>(values.size() * 2));
    const int n = clip.encode(0, 0, &info, file.data(), static_cast<int>(file.size()));
    ASSERT_GT(n, 0);
    file.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(test::be32At(file, 4), file.size() - 8);

    const std::vector<std::uint8_t> payload = payloadOf(file);
    ASSERT_EQ(payload.size(), 4000u);
    AdpcmDecoder decoder;
    decoder.reset();
    std::vector<std::int16_t> decoded(8000);
    decoder.decode(payload.data(), decoded.data(), 8000);
    const double level = test::toneAmplitude(decoded, 600, 8000, 200, 7800);
    EXPECT_NEAR(level, 0.75 * 8000, 0.05 * 8000);
}

}  // namespace
}  // namespace korvel
