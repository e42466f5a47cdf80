// The loudness meter against libebur128, an independent implementation of
// the same recommendation, on tones, noise and chords at the handset's rates.

#include <ebur128.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/LoudnessMeter.h"

namespace korvel {
namespace {

struct Reference {
    double loudness;
    double truePeak;
};

Reference measureWithLibrary(const std::vector<std::int16_t>& samples, int rate)
{
    ebur128_state* state = ebur128_init(1, static_cast<unsigned long>(rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_short(state, samples.data(), samples.size());
    Reference out{};
    ebur128_loudness_global(state, &out.loudness);
    double peak = 0;
    ebur128_true_peak(state, 0, &peak);
    out.truePeak = 20 * std::log10(peak);
    ebur128_destroy(&state);
    return out;
}

std::vector<std::int16_t> signal(int kind, int rate, double seconds)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(rate * seconds));
    std::uint32_t seed = 7;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        if (kind == 0)
            v = 0.5 * std::sin(2 * 3.141592653589793 * 997 * t);
        else if (kind == 1) {
            seed = seed * 1664525u + 1013904223u;
            v = 0.3 * (static_cast<double>(seed >> 8) / 16777216.0 - 0.5);
        } else {
            // Chords that come and go, with quiet gaps the gates drop.
            const double envelope = std::fmod(t, 2.0) < 1.5 ? 1.0 : 0.001;
            v = envelope * (0.3 * std::sin(2 * 3.14159 * 220 * t) + 0.2 * std::sin(2 * 3.14159 * 277 * t) +
                            0.2 * std::sin(2 * 3.14159 * 1330 * t));
        }
        out[i] = static_cast<std::int16_t>(std::lround(v * 32767));
    }
    return out;
}

TEST(LoudnessMeter, AgreesWithAnIndependentMeter)
{
    for (int rate : {8000, 4000}) {
        for (int kind : {0, 1, 2}) {
            const std::vector<std::int16_t> samples = signal(kind, rate, 10);
            LoudnessMeter meter(rate);
            // In uneven pieces, as a conversion delivers them.
            for (std::size_t at = 0; at < samples.size(); at += 777)
                meter.add(samples.data() + at, std::min<std::size_t>(777, samples.size() - at));
            const Reference reference = measureWithLibrary(samples, rate);
            EXPECT_NEAR(meter.integratedLoudness(), reference.loudness, 0.1) << rate << " kind " << kind;
            // The true peak may come out a little higher (full-band noise
            // finds the shorter interpolator's ripple), never much lower: the
            // ceiling it guards stays safe.
            EXPECT_GT(meter.truePeak(), reference.truePeak - 0.3) << rate << " kind " << kind;
            EXPECT_LT(meter.truePeak(), reference.truePeak + 1.0) << rate << " kind " << kind;
            // The peak alone, in one piece: the same to the last bit.
            LoudnessMeter peakOnly(rate, LoudnessMeter::Measure::peakOnly);
            peakOnly.add(samples.data(), samples.size());
            EXPECT_EQ(peakOnly.truePeak(), meter.truePeak()) << rate << " kind " << kind;
        }
    }
    LoudnessMeter silence(8000);
    const std::vector<std::int16_t> zeros(80000, 0);
    silence.add(zeros.data(), zeros.size());
    EXPECT_TRUE(std::isinf(silence.integratedLoudness()));
    EXPECT_TRUE(std::isinf(silence.truePeak()));
}

}  // namespace
}  // namespace korvel
