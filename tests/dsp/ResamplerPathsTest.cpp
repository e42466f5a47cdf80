#include "dsp/Resampler.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

using test::VectorSource;

constexpr Resampler::Path kLanePaths[] = {Resampler::Path::lanes, Resampler::Path::avx2, Resampler::Path::avx512};

const char* pathName(Resampler::Path path)
{
    switch (path) {
    case Resampler::Path::plain:
        return "plain";
    case Resampler::Path::lanes:
        return "lanes";
    case Resampler::Path::avx2:
        return "avx2";
    case Resampler::Path::avx512:
        return "avx512";
    }
    return "?";
}

std::vector<std::int16_t> noise(int frames, std::uint32_t seed)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    for (std::int16_t& v : out) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<std::int16_t>(seed >> 16);
    }
    return out;
}

// A full-scale rising sweep from 50 Hz to the input's Nyquist frequency.
std::vector<std::int16_t> sweep(int frames, int rate)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double f = 50.0 + (rate / 2.0 - 50.0) * i / frames;
        phase += 2.0 * 3.141592653589793 * f / rate;
        out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(32767.0 * std::sin(phase));
    }
    return out;
}

// The symmetric square wave whose sums at 8000 -> 4000 lie within about
// 1e-11 of a rounding boundary: any other order of additions flips them.
std::vector<std::int16_t> square(int frames)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        out[static_cast<std::size_t>(i)] = i % 8 < 4 ? 32767 : -32767;
    return out;
}

struct Conversion {
    std::vector<std::int16_t> samples;
    Resampler::Path used = Resampler::Path::plain;
};

// A whole mono conversion in reads of readSize samples; announced, when not
// 0, replaces the frame count the source states (a file cut short states
// more frames than it delivers).
Conversion convert(const std::vector<std::int16_t>& input, int inRate, int outRate, Resampler::Path path,
                   int readSize, int announced = 0, int framesPerRead = 0)
{
    VectorSource source(input, 1, inRate);
    source.framesPerRead = framesPerRead;
    if (announced != 0)
        source.format.frameCount = announced;
    Resampler resampler(&source);
    EXPECT_EQ(resampler.selectPath(path), 0);
    EXPECT_EQ(resampler.setup(outRate, 256, 640, 81920), 0);
    Conversion result;
    result.used = resampler.path();
    std::vector<std::int16_t> chunk(static_cast<std::size_t>(readSize));
    for (;;) {
        const int n = resampler.read(chunk.data(), readSize);
        EXPECT_GE(n, 0);
        if (n <= 0)
            break;
        result.samples.insert(result.samples.end(), chunk.begin(), chunk.begin() + n);
    }
    EXPECT_EQ(resampler.read(chunk.data(), readSize), 0);
    return result;
}

struct RatePair {
    int inRate, outRate;
};

// The rates of the handset files: table rates (reduced output steps up to
// 640), direct-formula rates (44056, 7999, 47999, 6001) and upsampling.
constexpr RatePair kRatePairs[] = {
    {44100, 8000}, {48000, 8000}, {22050, 8000}, {11025, 8000}, {44056, 8000}, {7999, 8000},
    {8000, 4000},  {4000, 8000},  {6001, 4000},  {47999, 8000}, {32000, 4000}, {11025, 4000},
};

TEST(ResamplerPaths, EveryLanePathGivesThePlainOutputsBitForBit)
{
    for (const RatePair& rates : kRatePairs) {
        const int frames = rates.inRate * 3 / 2 + 17;
        struct Signal {
            const char* name;
            std::vector<std::int16_t> samples;
        };
        const Signal signals[] = {
            {"noise", noise(frames, 12345u + static_cast<std::uint32_t>(rates.inRate))},
            {"sweep", sweep(frames, rates.inRate)},
            {"square", square(frames)},
        };
        for (const Signal& signal : signals) {
            const Conversion plain = convert(signal.samples, rates.inRate, rates.outRate, Resampler::Path::plain, 1 << 20);
            for (Resampler::Path path : kLanePaths) {
                if (!Resampler::pathAvailable(path))
                    continue;
                const std::string what = std::to_string(rates.inRate) + " -> " + std::to_string(rates.outRate) + " " +
                                         signal.name + " on " + pathName(path);
                const Conversion fast = convert(signal.samples, rates.inRate, rates.outRate, path, 1 << 20);
                EXPECT_EQ(fast.used, path) << what;
                ASSERT_EQ(fast.samples.size(), plain.samples.size()) << what;
                EXPECT_TRUE(fast.samples == plain.samples) << what;
            }
        }
    }
}

TEST(ResamplerPaths, ReadSizesSourceChunksAndShortFilesChangeNothing)
{
    const std::vector<std::int16_t> input = noise(30000, 99u);
    for (const RatePair& rates : {RatePair{44100, 8000}, RatePair{7999, 8000}, RatePair{8000, 4000}}) {
        const Conversion plain = convert(input, rates.inRate, rates.outRate, Resampler::Path::plain, 1 << 20);
        const Conversion announcedMore =
            convert(input, rates.inRate, rates.outRate, Resampler::Path::plain, 1 << 20, 90000);
        EXPECT_TRUE(announcedMore.samples == plain.samples);
        for (Resampler::Path path : kLanePaths) {
            if (!Resampler::pathAvailable(path))
                continue;
            const std::string what = std::to_string(rates.inRate) + " on " + pathName(path);
            EXPECT_TRUE(convert(input, rates.inRate, rates.outRate, path, 1).samples == plain.samples) << what;
            EXPECT_TRUE(convert(input, rates.inRate, rates.outRate, path, 997, 0, 333).samples == plain.samples)
                << what;
            // A source that stops before the frames it announced, or goes on
            // past fewer: the output follows what was delivered.
            EXPECT_TRUE(convert(input, rates.inRate, rates.outRate, path, 4096, 90000).samples == plain.samples)
                << what;
            EXPECT_TRUE(convert(input, rates.inRate, rates.outRate, path, 4096, 1000).samples == plain.samples)
                << what;
        }
    }
}

// Long enough for batches of several large blocks, which two threads share:
// at 44056 Hz a block holds 64 000 outputs.
TEST(ResamplerPaths, BlocksSharedByTwoThreadsGiveThePlainOutputs)
{
    const std::vector<std::int16_t> input = noise(44056 * 9 + 123, 4242u);
    const Conversion plain = convert(input, 44056, 8000, Resampler::Path::plain, 1 << 20);
    ASSERT_GT(plain.samples.size(), 64000u);
    for (Resampler::Path path : kLanePaths) {
        if (!Resampler::pathAvailable(path))
            continue;
        for (int readSize : {1 << 20, 70001}) {
            const std::string what = std::string(pathName(path)) + " in reads of " + std::to_string(readSize);
            EXPECT_TRUE(convert(input, 44056, 8000, path, readSize).samples == plain.samples) << what;
            EXPECT_TRUE(convert(input, 44056, 8000, path, readSize, 500000).samples == plain.samples) << what;
        }
    }
}

TEST(ResamplerPaths, PathChoiceBeforeSetupOnly)
{
    VectorSource source(noise(1000, 1u), 1, 8000);
    Resampler resampler(&source);
    EXPECT_EQ(resampler.path(), Resampler::fastestPath());
    EXPECT_TRUE(Resampler::pathAvailable(Resampler::Path::plain));
    EXPECT_TRUE(Resampler::pathAvailable(Resampler::Path::lanes));
    EXPECT_EQ(resampler.selectPath(Resampler::Path::lanes), 0);
    EXPECT_EQ(resampler.setup(4000, 256, 640, 81920), 0);
    EXPECT_EQ(resampler.selectPath(Resampler::Path::plain), -1);
    EXPECT_EQ(resampler.path(), Resampler::Path::lanes);
}

}  // namespace
}  // namespace korvel
