#include "dsp/AdpcmEncoder.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/AdpcmTables.h"

namespace korvel {
namespace {

struct Step {
    int code, predictor, stepSize;
};

// Encodes one sample at a time from a reset state, noting each code and the state after it.
std::vector<Step> trace(const std::vector<std::int16_t>& samples)
{
    AdpcmEncoder encoder;
    encoder.reset();
    std::vector<Step> steps;
    for (std::int16_t x : samples) {
        std::uint8_t byte = 0xFF;
        encoder.encode(&x, &byte, 1);
        steps.push_back({byte, encoder.predictor, encoder.stepSize});
    }
    return steps;
}

TEST(AdpcmEncoder, ResetStartsAtPredictorZeroAndTheSmallestStep)
{
    AdpcmEncoder encoder;
    encoder.predictor = 99;
    encoder.stepSize = 999;
    encoder.reset();
    EXPECT_EQ(encoder.predictor, 0);
    EXPECT_EQ(encoder.stepSize, 127);
}

TEST(AdpcmEncoder, WorkedSamples)
{
    struct Row {
        const char* what;
        std::vector<std::int16_t> samples;
        std::vector<Step> expected;
    };
    const Row rows[] = {
        {"1000", {1000}, {{7, 236, 304}}},
        {"-1000", {-1000}, {{15, -236, 304}}},
        {"1000 four times", {1000, 1000, 1000, 1000}, {{7, 236, 304}, {7, 806, 729}, {1, 1079, 654}, {8, 998, 587}}},
        {"silence", {0, 0, 0, 0}, {{0, 15, 127}, {8, 0, 127}, {0, 15, 127}, {8, 0, 127}}},
        {"a difference of exactly one quarter step", {31}, {{1, 15 + 31, 127}}},
        {"one below a quarter step", {30}, {{0, 15, 127}}},
    };
    for (const Row& row : rows) {
        const std::vector<Step> steps = trace(row.samples);
        ASSERT_EQ(steps.size(), row.expected.size()) << row.what;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].code, row.expected[i].code) << row.what << " sample " << i;
            EXPECT_EQ(steps[i].predictor, row.expected[i].predictor) << row.what << " sample " << i;
            EXPECT_EQ(steps[i].stepSize, row.expected[i].stepSize) << row.what << " sample " << i;
        }
    }
}

TEST(AdpcmEncoder, CodesPackLowNibbleFirst)
{
    AdpcmEncoder encoder;
    encoder.reset();
    const std::int16_t thousands[] = {1000, 1000, 1000, 1000};
    std::uint8_t out[2] = {0xAA, 0xAA};
    encoder.encode(thousands, out, 4);
    EXPECT_EQ(out[0], 0x77);
    EXPECT_EQ(out[1], 0x81);
    EXPECT_EQ(encoder.predictor, 998);
    EXPECT_EQ(encoder.stepSize, 587);

    encoder.reset();
    const std::vector<std::int16_t> silence(8, 0);
    std::uint8_t quiet[4] = {};
    encoder.encode(silence.data(), quiet, 8);
    for (std::uint8_t b : quiet)
        EXPECT_EQ(b, 0x80);

    // Three samples fill two bytes, the second with its high nibble 0,
    // whatever the buffer held before.
    encoder.reset();
    std::uint8_t three[2] = {0xFF, 0xFF};
    encoder.encode(thousands, three, 3);
    EXPECT_EQ(three[0], 0x77);
    EXPECT_EQ(three[1], 0x01);
}

TEST(AdpcmEncoder, StoreCodeSetsOnlyItsNibble)
{
    std::uint8_t out[2] = {0xFF, 0x3C};
    AdpcmEncoder::storeCode(out, 0, 0x5);
    EXPECT_EQ(out[0], 0x05);
    AdpcmEncoder::storeCode(out, 1, 0xA);
    EXPECT_EQ(out[0], 0xA5);
    AdpcmEncoder::storeCode(out, 3, 0x9);
    EXPECT_EQ(out[1], 0x9C);
}

TEST(AdpcmEncoder, StateStaysWithinItsBounds)
{
    // A long run of full scale pushes the predictor against its clamp; the
    // step then shrinks by 230 / 256 a sample until it rests at 127.
    std::vector<std::int16_t> loud(400, 32767);
    const std::vector<Step> high = trace(loud);
    EXPECT_EQ(high.back().predictor, 32767);
    EXPECT_EQ(high.back().stepSize, 127);
    EXPECT_EQ(high.back().code, 0);

    std::vector<std::int16_t> swing;
    for (int i = 0; i < 400; ++i)
        swing.push_back(i % 2 ? -32768 : 32767);
    int largest = 0, smallest = 1 << 30;
    for (const Step& s : trace(swing)) {
        ASSERT_GE(s.predictor, -32768);
        ASSERT_LE(s.predictor, 32767);
        largest = std::max(largest, s.stepSize);
        smallest = std::min(smallest, s.stepSize);
    }
    // A full-scale swing drives the step to its ceiling; 24576 x 614 / 256 is lowered back to it.
    EXPECT_EQ(largest, 24576);
    EXPECT_GE(smallest, 127);
}

// The encoder works without branches and with its thresholds added up; the
// rule as plainly stated (divide, then the table) must give the same codes
// and the same state on sounds that reach every magnitude, both clamps of
// the prediction and both bounds of the step size.
TEST(AdpcmEncoder, CodesAreThoseOfThePlainRule)
{
    auto plain = [](const std::vector<std::int16_t>& samples, std::vector<std::uint8_t>& out) {
        int predictor = 0, stepSize = 127;
        out.assign((samples.size() + 1) / 2, 0);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const int difference = samples[i] - predictor;
            const int m = difference < 0 ? -difference : difference;
            const int k = std::min(7, m / (stepSize / 4));
            const int delta = adpcm::reconstructionStep(stepSize, k);
            predictor = std::clamp(difference < 0 ? predictor - delta : predictor + delta, -32768, 32767);
            stepSize = adpcm::nextStepSize(stepSize, k);
            out[i / 2] = static_cast<std::uint8_t>(out[i / 2] | ((difference < 0 ? 8 : 0) | k) << (i % 2 ? 4 : 0));
        }
        return std::pair{predictor, stepSize};
    };
    unsigned seed = 7;
    auto random = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>(seed >> 16) - 32768;
    };
    std::vector<std::vector<std::int16_t>> sounds(4);
    for (int i = 0; i < 20001; ++i) {
        sounds[0].push_back(static_cast<std::int16_t>(random()));                           // full-scale noise
        sounds[1].push_back(static_cast<std::int16_t>(random() / 64));                      // quiet noise
        sounds[2].push_back(static_cast<std::int16_t>((i / 50) % 2 ? 32767 : -32768));      // square at the clamps
        sounds[3].push_back(static_cast<std::int16_t>(20000 * std::sin(i * 0.01) + random() / 256));  // tone
    }
    for (std::size_t s = 0; s < sounds.size(); ++s) {
        std::vector<std::uint8_t> expected;
        const auto [predictor, stepSize] = plain(sounds[s], expected);
        AdpcmEncoder encoder;
        encoder.reset();
        std::vector<std::uint8_t> codes(expected.size(), 0xFF);
        encoder.encode(sounds[s].data(), codes.data(), static_cast<int>(sounds[s].size()));
        EXPECT_EQ(codes, expected) << "sound " << s;
        EXPECT_EQ(encoder.predictor, predictor) << "sound " << s;
        EXPECT_EQ(encoder.stepSize, stepSize) << "sound " << s;
    }
}

TEST(AdpcmEncoder, CountOfZeroOrLessWritesNothing)
{
    AdpcmEncoder encoder;
    encoder.reset();
    const std::int16_t x = 1000;
    std::uint8_t out = 0x5A;
    encoder.encode(&x, &out, 0);
    encoder.encode(&x, &out, -3);
    EXPECT_EQ(out, 0x5A);
    EXPECT_EQ(encoder.predictor, 0);
}

}  // namespace
}  // namespace korvel
