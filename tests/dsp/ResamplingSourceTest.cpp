#include "dsp/ResamplingSource.h"

#include <gtest/gtest.h>

#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

using test::VectorSource;

std::vector<std::int16_t> interleave(const std::vector<std::int16_t>& left, const std::vector<std::int16_t>& right)
{
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < left.size(); ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
    }
    return out;
}

std::vector<std::int16_t> monoConversion(const std::vector<std::int16_t>& input, int inRate, int outRate)
{
    VectorSource source(input, 1, inRate);
    ResamplingSource chain(&source);
    EXPECT_FALSE(chain.isStereo());
    EXPECT_EQ(chain.firstResampler()->setup(outRate, 256, 640, 81920), 0);
    std::vector<std::int16_t> out(static_cast<std::size_t>(chain.firstResampler()->frameCount));
    EXPECT_EQ(chain.read(out.data(), static_cast<int>(out.size())), static_cast<int>(out.size()));
    return out;
}

TEST(ResamplingSource, StereoChainEqualsTwoMonoChains)
{
    struct Row {
        int inRate, outRate;
    };
    for (Row row : {Row{44100, 8000}, Row{8000, 4000}, Row{4000, 8000}, Row{44056, 8000}}) {
        const int frames = row.inRate / 4;
        const std::vector<std::int16_t> left = test::sine(frames, 440, row.inRate, 20000);
        const std::vector<std::int16_t> right = test::sine(frames, 1500, row.inRate, -12000);
        VectorSource source(interleave(left, right), 2, row.inRate);
        source.framesPerRead = 100;
        ResamplingSource chain(&source);
        ASSERT_TRUE(chain.isStereo());
        EXPECT_EQ(chain.channels, 2);
        EXPECT_EQ(chain.sampleRate, row.inRate);  // the resamplers are not set up yet
        ASSERT_EQ(chain.firstResampler()->setup(row.outRate, 256, 640, 81920), 0);
        ASSERT_EQ(chain.secondResampler()->setup(row.outRate, 256, 640, 81920), 0);
        const int outFrames = chain.firstResampler()->frameCount;
        std::vector<std::int16_t> stereo(2 * static_cast<std::size_t>(outFrames) + 2);
        // The whole conversion in one read, as the resample stage asks for it.
        ASSERT_EQ(chain.read(stereo.data(), outFrames + 1), outFrames);
        stereo.resize(2 * static_cast<std::size_t>(outFrames));
        EXPECT_EQ(stereo, interleave(monoConversion(left, row.inRate, row.outRate),
                                     monoConversion(right, row.inRate, row.outRate)))
            << row.inRate << " -> " << row.outRate;
        std::int16_t more[4];
        EXPECT_EQ(chain.read(more, 2), 0);
    }
}

TEST(ResamplingSource, StereoChainInSmallReadsEqualsOneRead)
{
    const std::vector<std::int16_t> left = test::sine(3000, 300, 22050, 10000);
    const std::vector<std::int16_t> right = test::sine(3000, 900, 22050, 10000);
    auto run = [&](int step) {
        VectorSource source(interleave(left, right), 2, 22050);
        ResamplingSource chain(&source);
        chain.firstResampler()->setup(8000, 256, 640, 81920);
        chain.secondResampler()->setup(8000, 256, 640, 81920);
        std::vector<std::int16_t> out(2 * 2000);
        int got = 0;
        while (int n = chain.read(out.data() + 2 * got, step))
            got += n;
        out.resize(2 * static_cast<std::size_t>(got));
        return out;
    };
    const std::vector<std::int16_t> once = run(5000);
    EXPECT_EQ(once.size(), 2u * 1089);
    EXPECT_EQ(run(13), once);
}

TEST(ResamplingSource, FailureOfTheStereoSourceReachesTheReader)
{
    VectorSource source(std::vector<std::int16_t>(8000, 1), 2, 8000);
    source.failAfterFrames = 1000;
    ResamplingSource chain(&source);
    ASSERT_EQ(chain.firstResampler()->setup(4000, 256, 640, 81920), 0);
    ASSERT_EQ(chain.secondResampler()->setup(4000, 256, 640, 81920), 0);
    std::vector<std::int16_t> out(4000);
    EXPECT_LT(chain.read(out.data(), 2000), 0);
}

TEST(ResamplingSource, OtherChannelCountsBuildNothing)
{
    VectorSource source(std::vector<std::int16_t>(300, 1), 3, 8000);
    ResamplingSource chain(&source);
    EXPECT_EQ(chain.firstResampler(), nullptr);
    EXPECT_EQ(chain.last(), nullptr);
    std::int16_t out[3];
    EXPECT_EQ(chain.read(out, 1), -1);
}

}  // namespace
}  // namespace korvel
