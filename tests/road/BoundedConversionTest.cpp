// The conversion road must give the file that load, mixDown, resample and
// encode give over the whole sound, byte for byte, while it decodes only
// what the file can hold.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reference/AudioClip.h"
#include "road/FileStream.h"
#include "reference/ResultCodes.h"
#include "road/SoundRoad.h"
#include "tessal/AtrWriter.h"
#include "tessal/ContentInfo.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/WholeSound.h"

namespace korvel {
namespace {

using test::Bytes;

constexpr int kTaps = 256;
constexpr int kCapacity = 1 << 22;

ContentInfo infoWithTitle()
{
    ContentInfo info;
    info.codeType = ContentInfo::kCodeUtf8;
    info.permissions = 1;
    std::strcpy(info.slots[ContentInfo::kSlotTitle], "Bound");
    std::strcpy(info.slots[ContentInfo::kSlotDate], "20261208");
    return info;
}

struct Outcome {
    int result = 0;
    Bytes file;
};

// Every stage over the whole sound, as the clip's operations are written.
Outcome straightforward(bool isAiff, const Bytes& image, int outRate)
{
    Outcome out;
    ByteVector file;
    out.result = test::wholeSoundFile(isAiff, image, outRate, infoWithTitle(), file, kTaps);
    out.file.assign(file.begin(), file.end());
    return out;
}

// Along the road, from a file read as a stream (the job's way; here in odd
// pieces), or from the image in memory.
Outcome bounded(bool isAiff, const Bytes& image, int outRate, int* heldFrames = nullptr, bool fromFile = true)
{
    SoundRoad road;
    Outcome out;
    test::MemoryFile file(image, 4093);
    FileStream stream(file);
    const StageResult built = fromFile ? road.build(isAiff, stream, outRate, kTaps) : road.build(isAiff, image, outRate, kTaps);
    out.result = resultCode(built);
    if (built != StageResult::ok)
        return out;
    if (heldFrames != nullptr)
        *heldFrames = road.keptFormat().frameCount;
    ByteVector written;
    const StageResult wrote = road.write(infoWithTitle(), written);
    out.result = wrote == StageResult::ok ? static_cast<int>(written.size()) : resultCode(wrote);
    out.file.assign(written.begin(), written.end());
    return out;
}

std::vector<std::int16_t> noise(std::size_t count, std::uint32_t seed)
{
    std::vector<std::int16_t> out(count);
    for (std::int16_t& v : out) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<std::int16_t>(seed >> 17);
    }
    return out;
}

Bytes wav(int channels, int rate, int bits, int frames, std::uint32_t seed)
{
    const std::vector<std::int16_t> values = noise(static_cast<std::size_t>(frames) * channels, seed);
    Bytes data;
    if (bits == 8) {
        for (std::int16_t v : values)
            data.push_back(static_cast<std::uint8_t>(v >> 8));
    } else {
        data = test::samplesLE(values);
    }
    return test::wavImage({.channels = static_cast<std::uint16_t>(channels),
                           .sampleRate = static_cast<std::uint32_t>(rate),
                           .bitsPerSample = static_cast<std::uint16_t>(bits)},
                          data);
}

Bytes announcing(std::uint16_t channels, std::uint32_t frames, std::uint16_t bits, double rate, const Bytes& data)
{
    return test::announcingAiff({.channels = channels, .frames = frames, .sampleSize = bits, .sampleRate = rate}, data);
}

Bytes bigEndian(const std::vector<std::int16_t>& values)
{
    Bytes b;
    for (std::int16_t v : values) {
        b.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
        b.push_back(static_cast<std::uint8_t>(v));
    }
    return b;
}

// Frames of input that give about this many output frames.
int framesFor(int outFrames, int inRate, int outRate)
{
    return static_cast<int>(static_cast<std::int64_t>(outFrames) * inRate / outRate);
}

TEST(BoundedConversion, FilesEqualThoseOfTheWholeComputation)
{
    struct Row {
        const char* what;
        bool isAiff;
        Bytes image;
        int outRate;
    };
    std::vector<Row> rows = {
        {"short mono 44100", false, wav(1, 44100, 16, 30000, 1), 8000},
        {"short stereo 8-bit 22050", false, wav(2, 22050, 8, 30000, 2), 4000},
        {"at the rate", false, wav(1, 8000, 16, 30000, 3), 8000},
        {"at the rate, stereo", false, wav(2, 4000, 16, 30000, 4), 4000},
        {"direct formula 44056", false, wav(2, 44056, 16, 60000, 5), 8000},
        {"aiff stereo 48000", true,
         test::aiffImage({.channels = 2, .frames = 50000, .sampleRate = 48000.0}, bigEndian(noise(100000, 6))), 8000},
        // A file cut short, in the middle of a stereo frame: the left half of
        // the last frame is there, the rest is silence.
        {"a stereo file cut in mid-frame", true, announcing(2, 90000, 16, 11025, bigEndian(noise(40001, 9))), 8000},
        {"an 8-bit mono file cut short", true, announcing(1, 90000, 8, 44100, Bytes(30001, 0x33)), 4000},
    };
    // Around the cut: 528320 frames at 8000 Hz (264160 at 4000 Hz) fill the
    // 66.04 s; up to 66040.99 ms still count as 16510 ticks and keep every frame.
    for (int outRate : {8000, 4000}) {
        const int full = outRate * 66040 / 1000;
        for (int delta : {-1, 0, 1, outRate / 1000 - 1, outRate / 1000, 5000}) {
            rows.push_back({"at the rate near the cut", false, wav(1, outRate, 16, full + delta, 7), outRate});
            rows.push_back({"44100 near the cut", false,
                            wav(2, 44100, 16, framesFor(full + delta, 44100, outRate), 8), outRate});
        }
    }

    for (const Row& row : rows) {
        const Outcome whole = straightforward(row.isAiff, row.image, row.outRate);
        const Outcome part = bounded(row.isAiff, row.image, row.outRate);
        const Outcome inMemory = bounded(row.isAiff, row.image, row.outRate, nullptr, false);
        const std::string what = std::string(row.what) + ", " + std::to_string(row.image.size()) + " bytes to " +
                                 std::to_string(row.outRate);
        EXPECT_GT(whole.result, 0) << what;
        EXPECT_EQ(part.result, whole.result) << what;
        EXPECT_TRUE(part.file == whole.file) << what;
        EXPECT_TRUE(inMemory.file == whole.file) << what;
    }
}

TEST(BoundedConversion, RefusalsAreThoseOfLoadAndResample)
{
    struct Row {
        const char* what;
        bool isAiff;
        Bytes image;
        int outRate;
    };
    const Row rows[] = {
        {"not a WAV file", false, Bytes{'R', 'I', 'F', 'X'}, 8000},
        {"rate 3999", false, wav(1, 3999, 16, 1000, 1), 8000},
        {"20 ms", false, wav(1, 8000, 16, 167, 1), 8000},
        {"three channels", false, wav(3, 8000, 16, 1000, 1), 8000},
        {"an output rate the converter refuses", false, wav(1, 8000, 16, 1000, 1), 0},
    };
    for (const Row& row : rows) {
        AudioClip whole;
        int expected = whole.load(row.isAiff, row.image);
        if (expected == kOk) {
            whole.mixDown(AudioClip::kMixAverage);
            expected = whole.resample(row.outRate, kTaps);
        }
        ClipFormat format;
        const int checked = AudioClip::check(row.isAiff, row.image, &format);
        SoundRoad road;
        EXPECT_EQ(resultCode(road.build(row.isAiff, row.image, row.outRate, kTaps)), expected) << row.what;
        EXPECT_EQ(checked == kOk, expected == kOk || expected == kFailed) << row.what;
        EXPECT_NE(expected, kOk) << row.what;
    }
    ClipFormat format;
    EXPECT_EQ(AudioClip::check(false, wav(2, 22050, 8, 1000, 1), &format), kOk);
    EXPECT_EQ(format.sampleRate, 22050);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.frameCount, 1000);
    EXPECT_EQ(format.dataBytes, 4000);
}

// An AIFF whose "FORM" size is taken as stated and whose "COMM" announces
// far more frames than the file holds: only the 66.04 s a file keeps are
// made, never the gigabytes the header promises, and the file is the one
// the whole computation gives.
TEST(BoundedConversion, AFileAnnouncingAHugeSoundCostsOnlyWhatTheFileKeeps)
{
    // Small enough for the whole computation to run here too.
    const Bytes moderate = announcing(1, 1u << 22, 16, 48000.0, bigEndian(noise(4000, 11)));
    const Outcome whole = straightforward(true, moderate, 8000);
    int held = 0;
    const Outcome part = bounded(true, moderate, 8000, &held);
    EXPECT_GT(whole.result, 0);
    EXPECT_TRUE(part.file == whole.file);
    EXPECT_EQ(held, 528320);

    // 2^30 - 1 frames of 16 bits: 2 GiB of samples, beyond what the clip's
    // byte count holds, so load refuses it. In 8 bits the clip could hold
    // them, but resample's WAV image could not: it fails, and so does this.
    const Bytes wide = announcing(1, (1u << 30) - 1, 16, 48000.0, Bytes(3000, 0x40));
    const Bytes narrow = announcing(1, (1u << 30) - 1, 8, 48000.0, Bytes(3000, 0x40));
    SoundRoad wideRoad, narrowRoad;
    EXPECT_EQ(wideRoad.build(true, wide, 8000, kTaps), StageResult::notRecognised);
    EXPECT_EQ(narrowRoad.build(true, narrow, 4000, kTaps), StageResult::failed);
    // 2^29 frames, 3.1 hours at 48000 Hz announced by a 3 kB file: converted.
    held = 0;
    const Outcome huge = bounded(true, announcing(1, 1u << 29, 8, 48000.0, Bytes(3000, 0x40)), 4000, &held);
    EXPECT_GT(huge.result, 0);
    EXPECT_EQ(held, 264160);
}

TEST(BoundedConversion, FramesKeptFollowThePlayTime)
{
    struct Row {
        int rate, frames, kept;
    };
    const Row rows[] = {
        {8000, 0, 0},           {8000, 528320, 528320}, {8000, 528327, 528327},  {8000, 528328, 528320},
        {4000, 264163, 264163}, {4000, 264164, 264160}, {8000, 1 << 30, 528320}, {0, 5, 5},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AtrWriter::framesKept(row.rate, row.frames), row.kept) << row.rate << " " << row.frames;
}

}  // namespace
}  // namespace korvel
