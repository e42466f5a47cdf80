#include "dsp/AdpcmDecoder.h"

#include <cmath>
#include <cstdio>
#include <random>

#include <gtest/gtest.h>

#include "dsp/AdpcmEncoder.h"
#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

std::vector<std::uint8_t> encodeAll(const std::vector<std::int16_t>& samples)
{
    AdpcmEncoder encoder;
    encoder.reset();
    std::vector<std::uint8_t> codes((samples.size() + 1) / 2);
    encoder.encode(samples.data(), codes.data(), static_cast<int>(samples.size()));
    return codes;
}

std::vector<std::int16_t> decodeAll(const std::vector<std::uint8_t>& codes, std::size_t count)
{
    AdpcmDecoder decoder;
    decoder.reset();
    std::vector<std::int16_t> out(count);
    decoder.decode(codes.data(), out.data(), static_cast<int>(count));
    return out;
}

double snrDb(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded)
{
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(reference[i]) - decoded[i]) * (double(reference[i]) - decoded[i]);
    }
    return 10 * std::log10(signal / noise);
}

// A voice-like test signal: a 140 Hz buzz with falling harmonics whose
// loudness rises and falls in syllables, and a little noise.
std::vector<std::int16_t> speechLike(int frames, int rate)
{
    std::mt19937 random(7);
    std::normal_distribution<double> hiss(0.0, 150.0);
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double envelope = 0.5 + 0.5 * std::sin(2 * 3.141592653589793 * 3.5 * t);
        double v = 0;
        for (int h = 1; h <= 12; ++h)
            v += std::sin(2 * 3.141592653589793 * 140 * h * t + h) / h;
        out[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::lround(6000 * envelope * v + hiss(random)));
    }
    return out;
}

TEST(AdpcmDecoder, ReproducesTheEncoderPredictorSampleForSample)
{
    const std::vector<std::int16_t> input = speechLike(8000, 8000);
    AdpcmEncoder encoder;
    AdpcmDecoder decoder;
    encoder.reset();
    decoder.reset();
    for (std::int16_t x : input) {
        std::uint8_t code = 0;
        encoder.encode(&x, &code, 1);
        ASSERT_EQ(decoder.decodeCode(code), encoder.predictor);
        ASSERT_EQ(decoder.stepSize, encoder.stepSize);
    }
}

TEST(AdpcmDecoder, DecodesTheWorkedCodes)
{
    const std::vector<std::int16_t> out = decodeAll({0x77, 0x81}, 4);
    EXPECT_EQ(out, (std::vector<std::int16_t>{236, 806, 1079, 998}));
    EXPECT_EQ(decodeAll({0x80, 0x80}, 4), (std::vector<std::int16_t>{15, 0, 15, 0}));
}

// The signal-to-noise ratios this codec reaches on material like the
// program's: a 4-bit code per sample keeps about 20 dB or more.
TEST(AdpcmDecoder, RoundTripReachesItsSignalToNoiseRatio)
{
    struct Row {
        const char* what;
        std::vector<std::int16_t> input;
        double minimumDb;
    };
    const Row rows[] = {
        {"a 440 Hz sine at 8000 Hz", test::sine(8000, 440, 8000, 12000), 24.0},
        {"a 1 kHz sine at 4000 Hz", test::sine(4000, 1000, 4000, 12000), 14.0},
        {"speech-like sound at 8000 Hz", speechLike(16000, 8000), 18.0},
    };
    for (const Row& row : rows) {
        const std::vector<std::int16_t> decoded = decodeAll(encodeAll(row.input), row.input.size());
        const double snr = snrDb(row.input, decoded);
        std::printf("%s: %.1f dB\n", row.what, snr);
        EXPECT_GT(snr, row.minimumDb) << row.what;
    }
}

}  // namespace
}  // namespace korvel
