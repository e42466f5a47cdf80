#include "dsp/Resampler.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include <gtest/gtest.h>

#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

using test::VectorSource;

constexpr int kTaps = 256;
constexpr int kTableStep = 640;
constexpr int kTableLength = 81920;

// Runs a whole mono conversion and returns every output sample.
std::vector<std::int16_t> convert(const std::vector<std::int16_t>& input, int inRate, int outRate,
                                  int maxTableStep = kTableStep)
{
    VectorSource source(input, 1, inRate);
    Resampler resampler(&source);
    EXPECT_EQ(resampler.setup(outRate, kTaps, maxTableStep, kTableLength), 0);
    std::vector<std::int16_t> out(static_cast<std::size_t>(resampler.format.frameCount) + 10);
    int n = resampler.read(out.data(), static_cast<int>(out.size()));
    EXPECT_EQ(n, resampler.format.frameCount);
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    return out;
}

TEST(Resampler, SetupRefusals)
{
    VectorSource mono(std::vector<std::int16_t>(100), 1, 8000);
    VectorSource stereo(std::vector<std::int16_t>(200), 2, 8000);
    VectorSource noRate(std::vector<std::int16_t>(100), 1, 0);
    VectorSource fast(std::vector<std::int16_t>(100), 1, 48001);
    struct Row {
        const char* what;
        SampleSource* source;
        int outRate, taps;
    };
    const Row rows[] = {
        {"an output rate of 0", &mono, 0, 256},
        {"a negative output rate", &mono, -8000, 256},
        {"an output rate of 1000001", &mono, 1000001, 256},
        {"one tap", &mono, 8000, 1},
        {"no taps", &mono, 8000, 0},
        {"negative taps", &mono, 8000, -256},
        {"a stereo source", &stereo, 4000, 256},
        {"no source", nullptr, 4000, 256},
        {"an input rate of 0", &noRate, 4000, 256},
        {"a ratio above 3 x taps", &fast, 8000, 2},
        {"taps beyond the counters", &mono, 8000, 0x7FFFFFFE},
    };
    for (const Row& row : rows) {
        Resampler resampler(row.source);
        EXPECT_EQ(resampler.setup(row.outRate, row.taps, kTableStep, kTableLength), -1) << row.what;
        std::int16_t out[4];
        EXPECT_EQ(resampler.read(out, 4), -1) << row.what;
    }
    // The largest accepted ratio: 48000 Hz in, 8000 Hz out with 2 taps.
    VectorSource edge(std::vector<std::int16_t>(100, 1000), 1, 48000);
    Resampler atLimit(&edge);
    EXPECT_EQ(atLimit.setup(8000, 2, kTableStep, kTableLength), 0);
    std::vector<std::int16_t> out(100);
    EXPECT_EQ(atLimit.read(out.data(), 100), 17);
}

TEST(Resampler, SecondSetupIsRefusedAndLeavesItReady)
{
    VectorSource source(std::vector<std::int16_t>(100, 5), 1, 8000);
    Resampler resampler(&source);
    ASSERT_EQ(resampler.setup(4000, 256, kTableStep, kTableLength), 0);
    EXPECT_EQ(resampler.setup(4000, 256, kTableStep, kTableLength), -1);
    EXPECT_TRUE(resampler.state() & Resampler::kReady);
    std::int16_t out[60];
    EXPECT_EQ(resampler.read(out, 60), 50);
}

TEST(Resampler, OddTapsActAsTheEvenValueBelow)
{
    const std::vector<std::int16_t> input = test::sine(500, 700, 8000, 9000);
    VectorSource a(input, 1, 8000), b(input, 1, 8000);
    Resampler even(&a), odd(&b);
    ASSERT_EQ(even.setup(4000, 256, kTableStep, kTableLength), 0);
    ASSERT_EQ(odd.setup(4000, 257, kTableStep, kTableLength), 0);
    std::vector<std::int16_t> x(250), y(250);
    ASSERT_EQ(even.read(x.data(), 250), 250);
    ASSERT_EQ(odd.read(y.data(), 250), 250);
    EXPECT_EQ(x, y);
}

TEST(Resampler, StepsCutoffAndTableFollowTheRates)
{
    struct Row {
        int inRate, outRate;
        int inStep, outStep;
        double cutoff;
        bool table;
        int entries;
    };
    const Row rows[] = {
        {4000, 8000, 1, 2, 0.5, true, 256},
        {44100, 8000, 441, 80, 8000 * 0.5 / 44100, true, 10240},
        {48000, 8000, 6, 1, 8000 * 0.5 / 48000, true, 128},
        {8000, 4000, 2, 1, 0.25, true, 128},
        {22050, 4000, 441, 80, 4000 * 0.5 / 22050, true, 10240},
        {44056, 8000, 5507, 1000, 8000 * 0.5 / 44056, false, 0},
        {7999, 8000, 7999, 8000, 0.5, false, 0},
    };
    for (const Row& row : rows) {
        VectorSource source(std::vector<std::int16_t>(10), 1, row.inRate);
        Resampler resampler(&source);
        ASSERT_EQ(resampler.setup(row.outRate, kTaps, kTableStep, kTableLength), 0) << row.inRate;
        EXPECT_EQ(resampler.inputStep(), row.inStep) << row.inRate;
        EXPECT_EQ(resampler.outputStep(), row.outStep) << row.inRate;
        EXPECT_EQ(resampler.cutoffFrequency(), row.cutoff) << row.inRate;
        EXPECT_EQ((resampler.state() & Resampler::kTableInUse) != 0, row.table) << row.inRate;
        if (row.table) {
            EXPECT_EQ(resampler.tableEntries(), row.entries) << row.inRate;
        }
        EXPECT_EQ(resampler.format.sampleRate, row.outRate);
        EXPECT_EQ(resampler.format.channels, 1);
        EXPECT_EQ(resampler.dataOffset, 0);
    }
}

TEST(Resampler, OutputCountIsTheCeilingOfTheScaledInput)
{
    struct Row {
        int frames, inRate, outRate, expected;
    };
    const Row rows[] = {
        {1000, 8000, 4000, 500}, {1001, 8000, 4000, 501}, {1000, 4000, 8000, 2000},
        {1, 44100, 8000, 1},     {441, 44100, 8000, 80},  {442, 44100, 8000, 81},
        {2205, 22050, 8000, 800}, {999, 48000, 8000, 167},
    };
    for (const Row& row : rows) {
        VectorSource source(std::vector<std::int16_t>(static_cast<std::size_t>(row.frames), 100), 1, row.inRate);
        Resampler resampler(&source);
        ASSERT_EQ(resampler.setup(row.outRate, kTaps, kTableStep, kTableLength), 0);
        EXPECT_EQ(resampler.format.frameCount, row.expected) << row.frames << " at " << row.inRate;
        EXPECT_EQ(resampler.format.dataBytes, 2 * row.expected);
        std::vector<std::int16_t> out(static_cast<std::size_t>(row.expected) + 5);
        EXPECT_EQ(resampler.read(out.data(), static_cast<int>(out.size())), row.expected)
            << row.frames << " at " << row.inRate;
    }
}

TEST(Resampler, RoundingAddsAHalfClampsAndTruncates)
{
    struct Row {
        double sum;
        int sample;
    };
    const Row rows[] = {
        {32767.0, 32767}, {1e9, 32767},  {-32768.0, -32767}, {-32767.4, -32766}, {-1e9, -32767},
        {-0.6, 0},        {-0.4, 0},     {-1.2, 0},          {-1.6, -1},         {2.5, 3},
        {2.4999, 2},      {0.0, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Resampler::toSample(row.sum), row.sample) << row.sum;
}

TEST(Resampler, WindowAndSinc)
{
    EXPECT_EQ(Resampler::sinc(0.0), 1.0);
    EXPECT_EQ(Resampler::sinc(9e-11), 1.0);
    EXPECT_EQ(Resampler::sinc(-9e-11), 1.0);
    EXPECT_NEAR(Resampler::sinc(std::numbers::pi), 0.0, 1e-16);
    EXPECT_DOUBLE_EQ(Resampler::sinc(std::numbers::pi / 2), 2 / std::numbers::pi);
    EXPECT_DOUBLE_EQ(Resampler::blackmanWindow(0.0), 1.0);
    EXPECT_NEAR(Resampler::blackmanWindow(0.5), 0.0, 1e-15);
    EXPECT_NEAR(Resampler::blackmanWindow(-0.5), 0.0, 1e-15);
    EXPECT_DOUBLE_EQ(Resampler::blackmanWindow(0.25), Resampler::blackmanWindow(-0.25));
}

TEST(Resampler, CoefficientAtZeroIsTwiceTheCutoffAndTheTableHoldsTheFormula)
{
    const std::vector<std::int16_t> none(10);
    VectorSource a(none, 1, 44100), b(none, 1, 44100);
    Resampler table(&a), direct(&b);
    ASSERT_EQ(table.setup(8000, kTaps, kTableStep, kTableLength), 0);
    ASSERT_EQ(direct.setup(8000, kTaps, 0, kTableLength), 0);
    EXPECT_EQ(table.coefficient(0), 2 * 8000 * 0.5 / 44100);
    EXPECT_EQ(direct.coefficient(0), table.coefficient(0));
    for (int k : {1, 2, 79, 80, 81, 1000, 10239, 10240}) {
        EXPECT_EQ(table.coefficient(k), static_cast<double>(static_cast<float>(direct.coefficient(k)))) << k;
        EXPECT_EQ(table.coefficient(-k), table.coefficient(k)) << k;
    }
    // The window ends at half the filter length.
    EXPECT_NEAR(direct.coefficient(10240), 0.0, 1e-18);
}

TEST(Resampler, UpsamplingByTwoKeepsTheInputOnEvenOutputs)
{
    std::vector<std::int16_t> input;
    for (int v : {0, 1, -1, 5, -10, 100, -100, 32767, -32768, 12345, -12345, 7, 0, -2, 2})
        input.push_back(static_cast<std::int16_t>(v));
    const std::vector<std::int16_t> out = convert(input, 4000, 8000);
    ASSERT_EQ(out.size(), 2 * input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        // The filter is 1 at the sample itself and negligible at other whole
        // samples, so the +0.5 rounding raises negative samples by one.
        const int x = input[i];
        const int expected = x >= 0 ? x : std::max(x + 1, -32767);
        EXPECT_EQ(out[2 * i], expected) << "input " << i;
    }
}

TEST(Resampler, DownsamplingAConstantKeepsItAwayFromTheEnds)
{
    const std::vector<std::int16_t> out = convert(std::vector<std::int16_t>(2000, 1000), 8000, 4000);
    ASSERT_EQ(out.size(), 1000u);
    // Half of the filter sees the zeros before the first input sample.
    EXPECT_NEAR(out[0], 750, 10);
    for (std::size_t i = 100; i < 900; ++i)
        ASSERT_EQ(out[i], 1000) << i;
}

TEST(Resampler, ReadCountZeroEndAndLargeRequests)
{
    VectorSource source(std::vector<std::int16_t>(1000, 300), 1, 8000);
    Resampler resampler(&source);
    std::int16_t out[600] = {};
    EXPECT_EQ(resampler.read(out, 1), -1);  // not set up yet
    ASSERT_EQ(resampler.setup(4000, kTaps, kTableStep, kTableLength), 0);
    EXPECT_EQ(resampler.read(out, 0), 0);
    EXPECT_EQ(source.reads, 0);
    EXPECT_EQ(resampler.read(nullptr, 5), -1);
    EXPECT_EQ(resampler.read(out, -1), -1);
    EXPECT_EQ(resampler.read(out, 300), 300);
    EXPECT_EQ(resampler.read(out, 300), 200);
    EXPECT_TRUE(resampler.state() & Resampler::kFinished);
    EXPECT_EQ(resampler.read(out, 300), 0);
    EXPECT_EQ(resampler.read(out, 300), 0);
}

TEST(Resampler, SmallSourceReadsGiveTheSameOutput)
{
    const std::vector<std::int16_t> input = test::sine(5000, 1234.5, 44100, 20000);
    VectorSource whole(input, 1, 44100), trickle(input, 1, 44100);
    trickle.framesPerRead = 37;
    Resampler a(&whole), b(&trickle);
    ASSERT_EQ(a.setup(8000, kTaps, kTableStep, kTableLength), 0);
    ASSERT_EQ(b.setup(8000, kTaps, kTableStep, kTableLength), 0);
    std::vector<std::int16_t> x(1000), y(1000);
    ASSERT_EQ(a.read(x.data(), 1000), a.format.frameCount);
    // Many small output reads as well.
    int got = 0;
    while (int n = b.read(y.data() + got, 7))
        got += n;
    EXPECT_EQ(got, a.format.frameCount);
    EXPECT_EQ(x, y);
}

TEST(Resampler, SourceFailureIsPassedOnAndSticks)
{
    VectorSource source(std::vector<std::int16_t>(5000, 10), 1, 8000);
    source.failAfterFrames = 1000;
    source.failure = -7;
    Resampler resampler(&source);
    ASSERT_EQ(resampler.setup(4000, kTaps, kTableStep, kTableLength), 0);
    std::vector<std::int16_t> out(3000);
    EXPECT_EQ(resampler.read(out.data(), 3000), -7);
    EXPECT_TRUE(resampler.state() & Resampler::kReadFailed);
    EXPECT_EQ(resampler.read(out.data(), 1), -1);
}

TEST(Resampler, ReadOutputsNeverLeaveTheHistory)
{
    // The largest accepted ratio with a short filter, through many refills.
    const std::vector<std::int16_t> input = test::sine(20000, 100, 48000, 10000);
    VectorSource source(input, 1, 48000);
    source.framesPerRead = 5;
    Resampler resampler(&source);
    ASSERT_EQ(resampler.setup(2000, 8, kTableStep, kTableLength), 0);
    std::vector<std::int16_t> out(1000);
    EXPECT_EQ(resampler.read(out.data(), 1000), 834);
}

// Signal properties: through 44100 -> 8000 and 48000 -> 8000 a tone below
// the output Nyquist frequency keeps its frequency and level, and one above
// it is removed.
TEST(Resampler, TonesBelowTheNewNyquistPassAndTonesAboveAreRemoved)
{
    struct Row {
        int inRate;
        double frequency;
        bool passes;
    };
    const Row rows[] = {
        {44100, 440.0, true},  {44100, 1000.0, true}, {44100, 3000.0, true},  {48000, 1000.0, true},
        {48000, 2500.0, true}, {44100, 6000.0, false}, {48000, 5000.0, false}, {48000, 11000.0, false},
        // The rates korvel-cli reads through libsndfile.
        {96000, 1000.0, true}, {96000, 5000.0, false}, {96000, 30000.0, false},
        {192000, 1000.0, true}, {192000, 6000.0, false}, {192000, 50000.0, false},
    };
    for (const Row& row : rows) {
        const double amplitude = 16000;
        const std::vector<std::int16_t> out = convert(test::sine(row.inRate, row.frequency, row.inRate, amplitude),
                                                      row.inRate, 8000);
        ASSERT_EQ(out.size(), 8000u);
        // Away from the ends, where the zeros outside the input reach the filter.
        const double level = test::toneAmplitude(out, row.frequency, 8000, 200, 7800);
        if (row.passes) {
            EXPECT_NEAR(20 * std::log10(level / amplitude), 0.0, 0.1) << row.frequency << " at " << row.inRate;
            // What is left after the fitted tone is small: the frequency is kept.
            std::vector<double> residual;
            const double w = 2 * std::numbers::pi * row.frequency / 8000;
            double a = 0, b = 0;
            for (int i = 200; i < 7800; ++i) {
                a += out[static_cast<std::size_t>(i)] * std::sin(w * i);
                b += out[static_cast<std::size_t>(i)] * std::cos(w * i);
            }
            a *= 2.0 / 7600;
            b *= 2.0 / 7600;
            for (int i = 0; i < 8000; ++i)
                residual.push_back(i < 200 || i >= 7800 ? 0.0
                                                         : out[static_cast<std::size_t>(i)] - a * std::sin(w * i) -
                                                               b * std::cos(w * i));
            EXPECT_LT(test::rms(residual, 200, 7800), amplitude * 0.01) << row.frequency;
        } else {
            // The alias the tone would fold onto must be at least 60 dB down.
            const double alias = std::fabs(8000 * std::round(row.frequency / 8000) - row.frequency);
            const double folded = test::toneAmplitude(out, alias, 8000, 200, 7800);
            EXPECT_LT(20 * std::log10(folded / amplitude), -60.0) << row.frequency << " at " << row.inRate;
        }
    }
}

// A symmetric full-scale square wave (+-32767, period 8) at 8000 -> 4000 puts
// nearly half of its sums within about 1e-11 of a rounding boundary: adding
// the same terms in another order flips every one of those outputs. The
// table and the direct path each pin their own outputs, and they agree to
// within one step on every sample.
std::uint64_t fingerprint(const std::vector<std::int16_t>& values)
{
    std::uint64_t h = 1469598103934665603ull;
    for (std::int16_t v : values) {
        h ^= static_cast<std::uint16_t>(v);
        h *= 1099511628211ull;
    }
    return h;
}

TEST(Resampler, TableAndDirectPathsAgreeWithinOneStepAndArePinned)
{
    std::vector<std::int16_t> square(4000);
    for (std::size_t i = 0; i < square.size(); ++i)
        square[i] = i % 8 < 4 ? 32767 : -32767;
    struct Row {
        const char* what;
        std::vector<std::int16_t> input;
        int inRate, outRate;
        std::uint64_t tablePrint, directPrint;
    };
    const Row rows[] = {
        {"full-scale square 8000 -> 4000", square, 8000, 4000, 0xe8ec13e47001ebdeull, 0x6a6bc2de597d6b41ull},
        {"tone 44100 -> 8000", test::sine(6000, 1234.0, 44100, 30000), 44100, 8000, 0x9858763836c4c229ull,
         0x9858763836c4c229ull},
        {"tone 22050 -> 4000", test::sine(3000, 777.0, 22050, 25000), 22050, 4000, 0xedb9f24c7c78c0f2ull,
         0xedb9f24c7c78c0f2ull},
    };
    for (const Row& row : rows) {
        const std::vector<std::int16_t> table = convert(row.input, row.inRate, row.outRate, kTableStep);
        const std::vector<std::int16_t> direct = convert(row.input, row.inRate, row.outRate, 0);
        ASSERT_EQ(table.size(), direct.size()) << row.what;
        for (std::size_t i = 0; i < table.size(); ++i)
            ASSERT_LE(std::abs(table[i] - direct[i]), 1) << row.what << " sample " << i;
        EXPECT_EQ(fingerprint(table), row.tablePrint) << row.what;
        EXPECT_EQ(fingerprint(direct), row.directPrint) << row.what;
    }
}

// GCC fuses a * b + c into one rounding by default where the target has a
// fused multiply-add; the build must not, or the sums above change.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
__attribute__((target("fma"))) double multiplyAdd(double a, double b, double c)
{
    return a * b + c;
}
#else
double multiplyAdd(double a, double b, double c)
{
    return a * b + c;
}
#endif

TEST(Resampler, BuildMultipliesThenAddsWithoutFusing)
{
    // (1 + 2^-27)(1 - 2^-27) = 1 - 2^-54, which rounds to 1 before the add.
    volatile double a = 1.0 + std::ldexp(1.0, -27);
    volatile double b = 1.0 - std::ldexp(1.0, -27);
    EXPECT_EQ(multiplyAdd(a, b, -1.0), 0.0);
}

}  // namespace
}  // namespace korvel
