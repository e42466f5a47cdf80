#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/LaneSums.h"

namespace korvel {

// Measures the loudness of a mono sound as a handset plays it: the
// integrated loudness of ITU-R BS.1770 (K-weighting, 400 ms blocks every
// 100 ms, the absolute gate at -70 LUFS and the relative gate 10 LU below),
// and the true peak, found between the samples by 4x oversampling.
// Double-precision arithmetic in the order written, so that the same
// samples measure the same on every build.
class LoudnessMeter {
public:
    // What is measured: both, or the true peak alone (cheaper).
    enum class Measure { loudnessAndPeak, peakOnly };

    explicit LoudnessMeter(int sampleRate, Measure measure = Measure::loudnessAndPeak);

    // Takes the next samples.
    void add(const std::int16_t* samples, std::size_t count);

    // LUFS; -inf when no block passes the gates (silence).
    double integratedLoudness() const;
    // dB relative to full scale (32768); -inf for silence.
    double truePeak() const;

private:
    // The K-weighted power of the samples, step by step.
    void addPower(const double* x, std::size_t count);
    void addBlockPower();

    // The two filters of the K-weighting, in direct form I: b0 b1 b2 a1 a2,
    // and their states x1 x2 y1 y2.
    double shelf[5];
    double highPass[5];
    double shelfState[4] = {};
    double highPassState[4] = {};

    std::size_t blockSamples;
    std::size_t stepSamples;
    // Squares of the K-weighted samples since the last step, in steps.
    std::vector<double> stepPowers;
    double stepSum = 0;
    std::size_t inStep = 0;
    // The mean square of every 400 ms block.
    std::vector<double> blocks;

    // The true peak of the samples in x[history..], which follow the
    // interpolator's history in x[0..history).
    void addPeak(const double* x, std::size_t count);

    bool loudness;
    // The interpolator's taps for the three points between two samples, the
    // largest sum of their magnitudes (what one point can reach at most,
    // from samples of magnitude 1), and the samples it works on: the last
    // ones of the previous call before the new ones.
    double between[3][16];
    double reachOfTaps = 0;
    LaneSumFunction laneSums;
    std::vector<double> samplesWithHistory;
    double peak = 0;
};

}  // namespace korvel
