// The bytes of written files, pinned: a set of generated sounds converted
// by each writer, each file's length and FNV-1a hash recorded when the
// pipeline was known to be right. Any change of any written byte shows
// here; a change meant to alter files must say so and record new values.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "reference/AudioClip.h"
#include "reference/ResultCodes.h"
#include "road/SoundRoad.h"
#include "tessal/ContentInfo.h"
#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

// A sound made of integers only, the same on every machine: a sawtooth
// under noise, each channel its own.
test::Bytes sound(int channels, int bits, int frames, bool bigEndian)
{
    test::Bytes data;
    std::uint32_t noise = 12345;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const int saw = ((f * (37 + 11 * c)) % 2000) * 16 - 16000;
            const int value = saw + static_cast<int>((noise >> 16) % 8001) - 4000;
            if (bits == 8) {
                // WAV holds unsigned 8-bit samples, AIFF signed ones.
                data.push_back(static_cast<std::uint8_t>((value >> 8) + (bigEndian ? 0 : 128)));
            } else if (bigEndian) {
                data.push_back(static_cast<std::uint8_t>(value >> 8));
                data.push_back(static_cast<std::uint8_t>(value));
            } else {
                data.push_back(static_cast<std::uint8_t>(value));
                data.push_back(static_cast<std::uint8_t>(value >> 8));
            }
        }
    }
    return data;
}

std::uint64_t fnv1a(const ByteVector& bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint8_t b : bytes)
        hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

ContentInfo contents()
{
    ContentInfo info;
    info.codeType = ContentInfo::kCodeUtf8;
    info.permissions = ContentInfo::kNoTransfer;
    std::strcpy(info.slots[ContentInfo::kSlotTitle], "Pinned, \\ bytes");
    std::strcpy(info.slots[ContentInfo::kSlotCopyright], "Korvel");
    std::strcpy(info.slots[ContentInfo::kSlotDate], "20261209");
    return info;
}

TEST(WrittenBytes, EveryWriterWritesThePinnedBytes)
{
    struct Row {
        const char* what;
        bool aiff;
        int channels, bits, rate, frames;
        int outRate;
        int writer;
        std::size_t length;
        std::uint64_t hash;
    };
    const Row rows[] = {
        {"mono 16-bit 8000 Hz, kept", false, 1, 16, 8000, 8000, 8000, AudioClip::kWriterAudioTrack, 4161, 0xe323a7dadb9a42aaull},
        {"stereo 16-bit 44100 Hz", false, 2, 16, 44100, 44100, 8000, AudioClip::kWriterAudioTrack, 4161, 0x3f97464296620d53ull},
        {"mono 8-bit 22050 Hz to 4000", false, 1, 8, 22050, 22050, 4000, AudioClip::kWriterAudioTrack, 2161, 0x3df5ab4449708c83ull},
        {"AIFF stereo 16-bit 48000 Hz", true, 2, 16, 48000, 24000, 8000, AudioClip::kWriterAudioTrack, 2159, 0x413e578890c8c193ull},
        {"AIFF mono 8-bit 11025 Hz", true, 1, 8, 11025, 11025, 8000, AudioClip::kWriterAudioTrack, 4161, 0x71728b2c0b8388adull},
        {"44056 Hz, the direct formula", false, 1, 16, 44056, 22028, 8000, AudioClip::kWriterAudioTrack, 2159, 0x4e66ecc578e103f1ull},
        {"7999 Hz to 4000, the direct formula", false, 1, 16, 7999, 7999, 4000, AudioClip::kWriterAudioTrack, 2161, 0x8c008de0f9125e55ull},
        {"67 s cut to 66.04 s", false, 1, 16, 8000, 536000, 4000, AudioClip::kWriterAudioTrack, 132241, 0x7742ebb0da935af7ull},
        {"music track, stereo kept", false, 2, 16, 8000, 8000, 8000, AudioClip::kWriterMusicTrack, 8176, 0x2324dc0aaed27670ull},
        {"music track, stereo 22050 Hz to 8000", false, 2, 16, 22050, 11025, 8000, AudioClip::kWriterMusicTrack, 4174, 0xf173a843cdb5bb0full},
        {"music track with play length, 16000 Hz", false, 1, 16, 16000, 16000, 8000, AudioClip::kWriterMusicTrackPro, 4196, 0x13d9dee3c9f0bc3dull},
    };
    const ContentInfo info = contents();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const test::Bytes data = sound(row.channels, row.bits, row.frames, row.aiff);
        const test::Bytes image =
            row.aiff ? test::aiffImage({.channels = static_cast<std::uint16_t>(row.channels), .frames = static_cast<std::uint32_t>(row.frames),
                                        .sampleSize = static_cast<std::uint16_t>(row.bits), .sampleRate = static_cast<double>(row.rate)},
                                       data)
                     : test::wavImage({.channels = static_cast<std::uint16_t>(row.channels), .sampleRate = static_cast<std::uint32_t>(row.rate),
                                       .bitsPerSample = static_cast<std::uint16_t>(row.bits)},
                                      data);
        ByteVector file;
        if (row.writer == AudioClip::kWriterAudioTrack) {
            // The job's road: only what the file keeps is converted.
            SoundRoad road;
            ASSERT_EQ(road.build(row.aiff, image, row.outRate, 256), StageResult::ok);
            ASSERT_EQ(road.write(info, file), StageResult::ok);
        } else {
            // The music tracks keep stereo.
            AudioClip clip;
            ASSERT_EQ(clip.load(row.aiff, image), kOk);
            ASSERT_EQ(clip.resample(row.outRate, 256), kOk);
            ASSERT_GT(clip.encode(row.writer, 0, &info, file), 0);
        }
        EXPECT_EQ(file.size(), row.length);
        EXPECT_EQ(fnv1a(file), row.hash) << std::hex << fnv1a(file);
    }
}

}  // namespace
}  // namespace korvel
