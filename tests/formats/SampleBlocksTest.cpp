// Both readers decode their sample data a block of bytes at a time. Whatever
// the width, the channel count and where the file ends, they must deliver
// what reading sample by sample gives: every whole sample, the count of
// whole frames, and nothing after the end.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/AiffReader.h"
#include "formats/ByteStream.h"
#include "formats/WavReader.h"
#include "tests/support/ImageBuilder.h"

namespace korvel {
namespace {

using test::Bytes;

struct Layout {
    bool isAiff;
    std::uint16_t channels;
    std::uint16_t bytes;
};

Bytes sampleData(std::size_t count)
{
    Bytes data(count);
    std::uint32_t seed = 77;
    for (std::uint8_t& b : data) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return data;
}

// The value of one sample as its bytes say: the two high bytes of an AIFF
// sample, an unsigned byte or a little-endian pair of a WAV sample.
std::int16_t expected(const Layout& layout, const std::uint8_t* s)
{
    if (layout.isAiff)
        return static_cast<std::int16_t>(layout.bytes == 1 ? s[0] << 8 : (s[0] << 8) | s[1]);
    if (layout.bytes == 1)
        return static_cast<std::int16_t>((s[0] - 128) * 256);
    return static_cast<std::int16_t>(s[0] | (s[1] << 8));
}

TEST(SampleBlocks, ReadersDeliverWholeSamplesUpToWhereTheFileEnds)
{
    const Layout layouts[] = {
        {false, 1, 1}, {false, 2, 1}, {false, 1, 2}, {false, 2, 2}, {false, 3, 2}, {false, 4100, 2},
        {true, 1, 1},  {true, 2, 2},  {true, 2, 3},  {true, 3, 4},  {true, 1, 2},  {true, 2100, 4},
    };
    for (const Layout& layout : layouts) {
        const int frameBytes = layout.channels * layout.bytes;
        // Enough frames to cross several blocks of the reader.
        const int frames = std::max(3, 20000 / frameBytes);
        const Bytes data = sampleData(static_cast<std::size_t>(frames) * frameBytes);
        Bytes image;
        if (layout.isAiff) {
            image = test::aiffImage({.channels = layout.channels, .frames = static_cast<std::uint32_t>(frames),
                                     .sampleSize = static_cast<std::uint16_t>(8 * layout.bytes)},
                                    data);
        } else {
            image = test::wavImage({.channels = layout.channels, .bitsPerSample = static_cast<std::uint16_t>(8 * layout.bytes)},
                                   data);
        }
        // The WAV reader refuses sizes past the end; the AIFF reader reads a
        // file cut short up to where it ends.
        const int cuts[] = {0, 1, frameBytes - 1, frameBytes + 1, 2 * frameBytes + layout.bytes};
        for (int cut : cuts) {
            if (!layout.isAiff && cut != 0)
                continue;
            if (cut >= static_cast<int>(data.size()))
                continue;
            const Bytes cutImage(image.begin(), image.end() - cut);
            const std::size_t present = data.size() - static_cast<std::size_t>(cut);
            for (int chunk : {frames + 5, 1, 7, 1000}) {
                ByteStream stream(cutImage.data(), static_cast<int>(cutImage.size()));
                std::unique_ptr<SampleSource> reader;
                if (layout.isAiff)
                    reader = std::make_unique<AiffReader>(&stream);
                else
                    reader = std::make_unique<WavReader>(&stream);
                const std::string what = std::string(layout.isAiff ? "AIFF " : "WAV ") +
                                         std::to_string(layout.channels) + " x " + std::to_string(layout.bytes) +
                                         " bytes, cut " + std::to_string(cut) + ", reads of " + std::to_string(chunk);
                ASSERT_EQ(reader->format.channels, layout.channels) << what;
                std::vector<std::int16_t> got(static_cast<std::size_t>(frames + 5) * layout.channels, 0);
                int total = 0;
                for (;;) {
                    const int n = reader->read(got.data() + static_cast<std::size_t>(total) * layout.channels, chunk);
                    ASSERT_GE(n, 0) << what;
                    total += n;
                    if (n < chunk || total >= frames)
                        break;
                }
                const std::size_t wholeSamples = present / layout.bytes;
                EXPECT_EQ(total, static_cast<int>(present / frameBytes)) << what;
                bool same = true;
                for (std::size_t i = 0; i < got.size(); ++i) {
                    const std::int16_t want = i < wholeSamples ? expected(layout, data.data() + i * layout.bytes) : 0;
                    same = same && got[i] == want;
                }
                EXPECT_TRUE(same) << what;
                std::int16_t more[8];
                EXPECT_EQ(reader->read(more, 1), 0) << what;
            }
        }
    }
}

}  // namespace
}  // namespace korvel
