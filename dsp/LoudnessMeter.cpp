#include "dsp/LoudnessMeter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvel {

namespace {

constexpr double kPi = 3.141592653589793;
// The taps of each phase of the true-peak interpolator.
constexpr int kInterpolatorTaps = 16;
constexpr int kOversampling = 4;

// One biquad step: b0 b1 b2 a1 a2, state x1 x2 y1 y2.
double filter(const double* c, double* state, double x)
{
    const double y = c[0] * x + c[1] * state[0] + c[2] * state[1] - c[3] * state[2] - c[4] * state[3];
    state[1] = state[0];
    state[0] = x;
    state[3] = state[2];
    state[2] = y;
    return y;
}

// The interpolator's coefficient for phase p (1..3) and tap k: a
// Hann-windowed sinc centred between the taps.
double interpolator(int phase, int k)
{
    const double t = static_cast<double>(k - kInterpolatorTaps / 2 + 1) - static_cast<double>(phase) / kOversampling;
    const double sinc = t == 0 ? 1.0 : std::sin(kPi * t) / (kPi * t);
    const double window = 0.5 + 0.5 * std::cos(kPi * t / (kInterpolatorTaps / 2));
    return sinc * window;
}

}  // namespace

LoudnessMeter::LoudnessMeter(int sampleRate)
    : blockSamples(static_cast<std::size_t>(sampleRate) * 4 / 10),
      stepSamples(static_cast<std::size_t>(sampleRate) / 10),
      recent(kInterpolatorTaps, 0.0)
{
    static_assert(sizeof between[0] / sizeof between[0][0] == kInterpolatorTaps);
    for (int p = 1; p < kOversampling; ++p)
        for (int k = 0; k < kInterpolatorTaps; ++k)
            between[p - 1][k] = interpolator(p, k);
    const double rate = sampleRate;
    // The high shelf of the head, and the high pass of the weighting, for
    // this rate (the published analog prototypes, by the bilinear transform).
    {
        const double f0 = 1681.974450955533;
        const double gain = 3.999843853973347;
        const double q = 0.7071752369554196;
        const double k = std::tan(kPi * f0 / rate);
        const double vh = std::pow(10.0, gain / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        shelf[0] = (vh + vb * k / q + k * k) / a0;
        shelf[1] = 2.0 * (k * k - vh) / a0;
        shelf[2] = (vh - vb * k / q + k * k) / a0;
        shelf[3] = 2.0 * (k * k - 1.0) / a0;
        shelf[4] = (1.0 - k / q + k * k) / a0;
    }
    {
        const double f0 = 38.13547087602444;
        const double q = 0.5003270373238773;
        const double k = std::tan(kPi * f0 / rate);
        const double a0 = 1.0 + k / q + k * k;
        highPass[0] = 1.0;
        highPass[1] = -2.0;
        highPass[2] = 1.0;
        highPass[3] = 2.0 * (k * k - 1.0) / a0;
        highPass[4] = (1.0 - k / q + k * k) / a0;
    }
}

void LoudnessMeter::add(const std::int16_t* samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const double x = samples[i] / 32768.0;

        // The true peak: the sample itself and three points between it and
        // the one before, interpolated from the last taps.
        std::rotate(recent.begin(), recent.begin() + 1, recent.end());
        recent.back() = x;
        peak = std::max(peak, std::fabs(x));
        for (int p = 1; p < kOversampling; ++p) {
            const double* taps = between[p - 1];
            double value = 0;
            for (int k = 0; k < kInterpolatorTaps; ++k)
                value = value + taps[k] * recent[static_cast<std::size_t>(kInterpolatorTaps - 1 - k)];
            peak = std::max(peak, std::fabs(value));
        }

        const double weighted = filter(highPass, highPassState, filter(shelf, shelfState, x));
        stepSum = stepSum + weighted * weighted;
        if (++inStep == stepSamples) {
            stepPowers.push_back(stepSum);
            stepSum = 0;
            inStep = 0;
            addBlockPower();
        }
    }
}

void LoudnessMeter::addBlockPower()
{
    const std::size_t steps = blockSamples / stepSamples;
    if (stepPowers.size() < steps)
        return;
    double sum = 0;
    for (std::size_t s = stepPowers.size() - steps; s < stepPowers.size(); ++s)
        sum = sum + stepPowers[s];
    blocks.push_back(sum / static_cast<double>(blockSamples));
}

double LoudnessMeter::integratedLoudness() const
{
    const auto loudness = [](double meanSquare) { return -0.691 + 10.0 * std::log10(meanSquare); };
    const double absoluteGate = std::pow(10.0, (-70.0 + 0.691) / 10.0);
    double sum = 0;
    std::size_t count = 0;
    for (double b : blocks)
        if (b > absoluteGate) {
            sum = sum + b;
            ++count;
        }
    if (count == 0)
        return -std::numeric_limits<double>::infinity();
    const double relativeGate = sum / static_cast<double>(count) * std::pow(10.0, -10.0 / 10.0);
    sum = 0;
    count = 0;
    for (double b : blocks)
        if (b > absoluteGate && b > relativeGate) {
            sum = sum + b;
            ++count;
        }
    return loudness(sum / static_cast<double>(count));
}

double LoudnessMeter::truePeak() const
{
    return peak > 0 ? 20.0 * std::log10(peak) : -std::numeric_limits<double>::infinity();
}

}  // namespace korvel
