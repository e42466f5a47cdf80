// Files that nobody here wrote: sox makes WAV and AIFF files, and the frames
// that the clip loads from them must equal what sox itself decodes.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "formats/AiffReader.h"
#include "formats/ByteStream.h"
#include "reference/AudioClip.h"
#include "reference/ResultCodes.h"
#include "tests/support/FileContents.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

using test::readFile;

bool run(const std::string& command)
{
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

class SoxCrossCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(run("sox --version >/dev/null"))
            << "sox is needed for this test; the README's test command installs it";
        dir = fs::temp_directory_path() / ("korvel-sox-" + std::to_string(std::random_device()()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

TEST_F(SoxCrossCheck, LoadedFramesEqualTheTopSixteenBitsSoxDecodes)
{
    struct Row {
        const char* extension;
        int bits;
        int channels;
        int rate;
    };
    const Row rows[] = {
        {"wav", 8, 1, 8000},    {"wav", 8, 2, 22050},   {"wav", 16, 1, 44100},  {"wav", 16, 2, 48000},
        {"wav", 16, 1, 4000},   {"aif", 8, 1, 11025},   {"aif", 8, 2, 44100},   {"aif", 16, 1, 22050},
        {"aif", 16, 2, 44100},  {"aif", 24, 1, 22050},  {"aif", 24, 2, 32000},  {"aif", 32, 1, 44100},
        {"aif", 32, 2, 8000},
    };
    for (const Row& row : rows) {
        const std::string name = std::string(row.extension) + "-" + std::to_string(row.bits) + "-" +
                                 std::to_string(row.channels) + "-" + std::to_string(row.rate);
        SCOPED_TRACE(name);
        const fs::path file = dir / (name + "." + row.extension);
        const fs::path raw = dir / (name + ".raw");
        const bool isAiff = std::string(row.extension) == "aif";
        // 8-bit WAV is unsigned; every other sample format here is signed.
        const char* encoding = (!isAiff && row.bits == 8) ? "unsigned-integer" : "signed-integer";
        // Noise exercises every bit of every sample; a sine makes the two channels differ.
        const std::string synth = row.channels == 2 ? "synth 0.3 whitenoise sine 440" : "synth 0.3 whitenoise";
        ASSERT_TRUE(run("sox -D -n -r " + std::to_string(row.rate) + " -c " + std::to_string(row.channels) + " -b " +
                        std::to_string(row.bits) + " -e " + encoding + " '" + file.string() + "' " + synth));
        // sox widens every sample to 32 bits on decoding, the original bits on top.
        ASSERT_TRUE(run("sox -D '" + file.string() + "' -t raw -e signed-integer -b 32 -L '" + raw.string() + "'"));

        const std::vector<std::uint8_t> image = readFile(file);
        const std::vector<std::uint8_t> decoded = readFile(raw);
        std::vector<std::int16_t> frames;
        AudioClip clip;
        const int loaded = clip.load(isAiff, image.data(), static_cast<int>(image.size()));
        if (row.bits <= 16) {
            ASSERT_EQ(loaded, kOk);
            EXPECT_EQ(clip.format().channels, row.channels);
            EXPECT_EQ(clip.format().sampleRate, row.rate);
            EXPECT_EQ(clip.format().bitsPerSample, 16);
            frames = clip.samples();
        } else {
            // The clip refuses wider samples; the reader still delivers their top 16 bits.
            EXPECT_EQ(loaded, kUnsupportedWidth);
            ByteStream stream(image.data(), static_cast<int>(image.size()));
            AiffReader reader(&stream);
            ASSERT_EQ(reader.format.channels, row.channels);
            EXPECT_EQ(reader.format.sampleRate, row.rate);
            frames.resize(static_cast<std::size_t>(reader.format.frameCount) * reader.format.channels);
            ASSERT_EQ(reader.read(frames.data(), reader.format.frameCount), reader.format.frameCount);
        }
        ASSERT_EQ(frames.size() * 4, decoded.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const std::uint8_t* v = &decoded[4 * i];
            auto top = static_cast<std::int16_t>(v[2] | (v[3] << 8));
            ASSERT_EQ(frames[i], top) << "sample " << i;
        }
    }
}

}  // namespace
}  // namespace korvel
