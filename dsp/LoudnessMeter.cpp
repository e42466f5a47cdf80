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

LoudnessMeter::LoudnessMeter(int sampleRate, Measure measure)
    : blockSamples(static_cast<std::size_t>(sampleRate) * 4 / 10),
      stepSamples(static_cast<std::size_t>(sampleRate) / 10),
      loudness(measure == Measure::loudnessAndPeak),
      laneSums(fastestLaneSums()),
      samplesWithHistory(kInterpolatorTaps - 1, 0.0)
{
    static_assert(sizeof between[0] / sizeof between[0][0] == kInterpolatorTaps);
    for (int p = 1; p < kOversampling; ++p) {
        double reach = 0;
        for (int k = 0; k < kInterpolatorTaps; ++k) {
            between[p - 1][k] = interpolator(p, k);
            reach = reach + std::fabs(between[p - 1][k]);
        }
        reachOfTaps = std::max(reachOfTaps, reach);
    }
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
    // A piece at a time, in a buffer that stays in the cache, after the
    // interpolator's history.
    constexpr std::size_t kHistory = kInterpolatorTaps - 1;
    constexpr std::size_t kPiece = 4096;
    samplesWithHistory.resize(kHistory + kPiece + kMaxLanes, 0.0);
    double* x = samplesWithHistory.data();
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kPiece, count - done);
        for (std::size_t i = 0; i < n; ++i)
            x[kHistory + i] = samples[done + i] / 32768.0;
        std::fill_n(x + kHistory + n, kMaxLanes, 0.0);
        addPeak(x, n);
        if (loudness)
            addPower(x + kHistory, n);
        // The last samples stay for the next piece.
        std::copy(x + n, x + n + kHistory, x);
        done += n;
    }
}

void LoudnessMeter::addPower(const double* x, std::size_t count)
{
    // The filters' states in locals while the samples pass, so that they
    // stay in registers; the same sums in the same order as filter().
    double s0 = shelfState[0], s1 = shelfState[1], s2 = shelfState[2], s3 = shelfState[3];
    double h0 = highPassState[0], h1 = highPassState[1], h2 = highPassState[2], h3 = highPassState[3];
    for (std::size_t i = 0; i < count; ++i) {
        const double y = shelf[0] * x[i] + shelf[1] * s0 + shelf[2] * s1 - shelf[3] * s2 - shelf[4] * s3;
        s1 = s0;
        s0 = x[i];
        s3 = s2;
        s2 = y;
        const double weighted = highPass[0] * y + highPass[1] * h0 + highPass[2] * h1 - highPass[3] * h2 - highPass[4] * h3;
        h1 = h0;
        h0 = y;
        h3 = h2;
        h2 = weighted;
        stepSum = stepSum + weighted * weighted;
        if (++inStep == stepSamples) {
            stepPowers.push_back(stepSum);
            stepSum = 0;
            inStep = 0;
            addBlockPower();
        }
    }
    shelfState[0] = s0, shelfState[1] = s1, shelfState[2] = s2, shelfState[3] = s3;
    highPassState[0] = h0, highPassState[1] = h1, highPassState[2] = h2, highPassState[3] = h3;
}

// Each sample, and three points between it and the one before, each
// interpolated from the last taps samples. A run of samples whose points
// cannot pass the peak found so far (their magnitudes times the taps' reach
// stay below it) is passed over: the peak comes out the same, most of the
// points uncomputed. The points of a run are the resampler's lane sums,
// one lane a sample and one job a point between: each sum still in the
// order of its taps, on every processor.
void LoudnessMeter::addPeak(const double* x, std::size_t count)
{
    constexpr std::size_t kHistory = kInterpolatorTaps - 1;
    constexpr std::size_t kRun = kMaxLanes;
    const double* phases[kOversampling - 1] = {between[0], between[1], between[2]};
    int offsets[kInterpolatorTaps];
    for (int k = 0; k < kInterpolatorTaps; ++k)
        offsets[k] = -k;
    double sums[(kOversampling - 1) * kRun];
    for (std::size_t start = 0; start < count; start += kRun) {
        const std::size_t n = std::min(kRun, count - start);
        // The largest magnitude any point of the run is made from.
        double largest = 0;
        for (std::size_t i = start; i < start + n + kHistory; ++i)
            largest = std::max(largest, std::fabs(x[i]));
        for (std::size_t i = start; i < start + n; ++i)
            peak = std::max(peak, std::fabs(x[kHistory + i]));
        if (largest * reachOfTaps <= peak)
            continue;
        // A short last run computes lanes past it, from the zeros after the
        // samples; they are not looked at.
        laneSums(phases, kOversampling - 1, offsets, kInterpolatorTaps, x + kHistory + start, kRun, sums);
        for (int p = 0; p < kOversampling - 1; ++p)
            for (std::size_t i = 0; i < n; ++i)
                peak = std::max(peak, std::fabs(sums[static_cast<std::size_t>(p) * kRun + i]));
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
