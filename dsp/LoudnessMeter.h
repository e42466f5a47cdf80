#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel {

// Measures the loudness of a mono sound as a handset plays it: the
// integrated loudness of ITU-R BS.1770 (K-weighting, 400 ms blocks every
// 100 ms, the absolute gate at -70 LUFS and the relative gate 10 LU below),
// and the true peak, found between the samples by 4x oversampling.
// Double-precision arithmetic in the order written, so that the same
// samples measure the same on every build.
class LoudnessMeter {
public:
    explicit LoudnessMeter(int sampleRate);

    // Takes the next samples.
    void add(const std::int16_t* samples, std::size_t count);

    // LUFS; -inf when no block passes the gates (silence).
    double integratedLoudness() const;
    // dB relative to full scale (32768); -inf for silence.
    double truePeak() const;

private:
    void addBlockPower();

    // The two filters of the K-weighting, in direct form I.
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

    // The interpolator's taps for the three points between two samples, and
    // the last samples it works on.
    double between[3][16];
    std::vector<double> recent;
    double peak = 0;
};

}  // namespace korvel
