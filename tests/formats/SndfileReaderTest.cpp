// What libsndfile reads, as the reader delivers it: 16-bit frames.

#include "formats/SndfileReader.h"

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/ImageFile.h"
#include "formats/WidePcmReader.h"
#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

// Floating-point samples: full scale is 1.0; beyond it the limits, and a
// value that is no number is silence.
TEST(SndfileReader, FloatingPointSamplesAreScaledAndLimited)
{
    struct Row {
        float in;
        std::int16_t out;
    };
    const Row rows[] = {{0.25f, 8192},   {-0.5f, -16384},  {1.0f, 32767},       {-1.0f, -32768},
                        {3.5f, 32767},   {-3.5f, -32768},  {HUGE_VALF, 32767},  {-HUGE_VALF, -32768},
                        {std::nanf(""), 0}, {-std::nanf(""), 0}};
    test::Bytes data;
    for (const Row& row : rows) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &row.in, 4);
        for (int k = 0; k < 4; ++k)
            data.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
    }
    const test::Bytes image = test::wavImage({.formatTag = 3, .bitsPerSample = 32}, data);
    ImageFile file(image);
    SndfileReader reader(file);
    ASSERT_EQ(reader.format.channels, 1) << "libsndfile is needed; the README's test command installs it";
    std::vector<std::int16_t> out(std::size(rows));
    ASSERT_EQ(reader.read(out.data(), static_cast<int>(out.size())), static_cast<int>(out.size()));
    for (std::size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(out[i], rows[i].out) << rows[i].in;
}

// The wider reader, which reads the uncompressed kinds where a build has no
// libsndfile, gives libsndfile's frames for every one of them.
TEST(SndfileReader, TheWiderReaderGivesTheSameFramesForEveryUncompressedKind)
{
    struct Row {
        int format;
        int channels;
        int rate;
    };
    const Row rows[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 8000},    {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_32, 2, 48000},   {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100},
        {SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1, 22050},   {SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 6, 96000},
        {SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 2, 192000}, {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 16000},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 1, 11025},  {SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2, 44100},
        {SF_FORMAT_AIFF | SF_FORMAT_PCM_32, 1, 88200},  {SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 2, 44100},
        {SF_FORMAT_AIFF | SF_FORMAT_DOUBLE, 1, 48000},  {SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1, 96000},
    };
    const std::string path = testing::TempDir() + "wide-" + std::to_string(getpid());
    for (const Row& row : rows) {
        SF_INFO info{};
        info.samplerate = row.rate;
        info.channels = row.channels;
        info.format = row.format;
        SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_NE(out, nullptr) << sf_strerror(nullptr);
        // Values beyond full scale as well, which floating point keeps.
        std::vector<double> values(static_cast<std::size_t>(1500 * row.channels));
        std::srand(static_cast<unsigned>(row.format));
        for (double& v : values)
            v = (std::rand() / static_cast<double>(RAND_MAX)) * 2.4 - 1.2;
        sf_writef_double(out, values.data(), 1500);
        sf_close(out);
        FILE* in = std::fopen(path.c_str(), "rb");
        test::Bytes image(1 << 20);
        image.resize(std::fread(image.data(), 1, image.size(), in));
        std::fclose(in);
        ImageFile a(image);
        ImageFile b(image);
        SndfileReader library(a);
        WidePcmReader wide(b);
        SCOPED_TRACE(row.format);
        ASSERT_EQ(wide.format.channels, row.channels);
        EXPECT_EQ(wide.format.sampleRate, row.rate);
        ASSERT_EQ(wide.frames(), library.frames());
        std::vector<std::int16_t> x(values.size());
        std::vector<std::int16_t> y(values.size());
        ASSERT_EQ(library.read(x.data(), 1500), 1500);
        ASSERT_EQ(wide.read(y.data(), 1500), 1500);
        EXPECT_EQ(x, y);
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace korvel
