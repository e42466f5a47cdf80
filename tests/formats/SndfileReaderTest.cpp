// What libsndfile reads, as the reader delivers it: 16-bit frames.

#include "formats/SndfileReader.h"

#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "formats/ImageFile.h"
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

}  // namespace
}  // namespace korvel
