// The excerpt stage: where it starts and ends, and how its gain and fades
// shape the samples.

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "road/ExcerptStage.h"
#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

std::vector<std::int16_t> excerptOf(std::vector<std::int16_t> samples, int channels, const SoundPart& settings)
{
    const std::int64_t frames = static_cast<std::int64_t>(samples.size()) / channels;
    test::VectorSource source(std::move(samples), channels, 1000);
    ExcerptStage stage(&source, frames, settings);
    EXPECT_EQ(stage.prepare(), 0);
    std::vector<std::int16_t> out(static_cast<std::size_t>(stage.format.frameCount) * channels);
    if (out.empty())
        return out;
    int got = 0;
    while (int n = stage.read(out.data() + static_cast<std::size_t>(got) * channels, 7))
        got += n;
    EXPECT_EQ(got, stage.format.frameCount);
    return out;
}

TEST(ExcerptStage, StartAndLengthChooseTheFrames)
{
    std::vector<std::int16_t> ramp(2000);
    for (int i = 0; i < 2000; ++i)
        ramp[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i);
    struct Row {
        SoundPart settings;
        std::size_t count;
        std::int16_t firstValue;
    };
    const Row rows[] = {
        {{.start = 0.5, .length = 0.25}, 250, 500},
        {{.start = 1.5}, 500, 1500},
        {{.start = 1.9, .length = 1.0}, 100, 1900},  // the length stops at the end
        {{.start = 2.5}, 0, 0},                      // after the end: empty
        // Times past any sound: bounded before they are counted in frames.
        {{.start = 209146758205324.0}, 0, 0},
        {{.start = 1e300, .length = 1e300}, 0, 0},
        {{.start = 0.5, .length = 9223372036854775807.0}, 1500, 500},
        {{.start = -1, .length = 0.1}, 100, 0},
    };
    for (const Row& row : rows) {
        const std::vector<std::int16_t> out = excerptOf(ramp, 1, row.settings);
        ASSERT_EQ(out.size(), row.count);
        if (!out.empty()) {
            EXPECT_EQ(out.front(), row.firstValue);
            EXPECT_EQ(out.back(), row.firstValue + static_cast<int>(row.count) - 1);
        }
    }
}

// A fade-in starts at silence and rises step by step; a fade-out ends at
// silence; both channels of a frame get one factor.
TEST(ExcerptStage, FadesStartAndEndInSilenceAndMoveMonotonically)
{
    const std::vector<std::int16_t> loud(2 * 1000, 20000);
    const std::vector<std::int16_t> out = excerptOf(loud, 2, {.fadeIn = 0.1, .fadeOut = 0.2});
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2 * 50], 10000);  // half way through the fade-in
    for (std::size_t f = 1; f < 1000; ++f) {
        EXPECT_EQ(out[2 * f], out[2 * f + 1]);
        if (f < 100)
            EXPECT_GT(out[2 * f], out[2 * (f - 1)]) << f;
        else if (f < 800)
            EXPECT_EQ(out[2 * f], 20000) << f;
        else
            EXPECT_LT(out[2 * f], out[2 * (f - 1)] + (f == 800 ? 1 : 0)) << f;
    }
    EXPECT_EQ(out[2 * 999], 0);

    // A fade longer than the excerpt covers all of it.
    for (const SoundPart& settings : {SoundPart{.fadeOut = 9223372036854775807.0}, SoundPart{.fadeOut = 1e300}}) {
        const std::vector<std::int16_t> faded = excerptOf(loud, 2, settings);
        EXPECT_EQ(faded[0], 19980);
        EXPECT_EQ(faded[2 * 500], 9980);
        EXPECT_EQ(faded[2 * 999], 0);
    }
}

TEST(ExcerptStage, GainRoundsAndClamps)
{
    struct Row {
        double db;
        std::int16_t in;
        std::int16_t out;
    };
    const Row rows[] = {{-6.0206, 1000, 500}, {6.0206, 20000, 32767}, {6.0206, -20000, -32768}, {-120, 30000, 0}};
    for (const Row& row : rows) {
        const std::vector<std::int16_t> out = excerptOf(std::vector<std::int16_t>(100, row.in), 1, {.gainDb = row.db});
        EXPECT_EQ(out[50], row.out) << row.db << " " << row.in;
    }
}

}  // namespace
}  // namespace korvel
