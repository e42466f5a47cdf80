#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace korvel {

// The windowed-sinc (Blackman) low-pass filter of one conversion, designed
// once by setup and only read afterwards: the reduced steps of the two
// rates, the cutoff and the coefficients, from a single-precision table or
// by the direct formula.
class ResamplingFilter {
public:
    static constexpr double kTwoPi = 6.283185307179586;
    static constexpr double kFourPi = 12.566370614359172;

    // Designs the filter for inRate to outRate with taps input samples
    // (even, at least 2). The coefficients go into a table when the reduced
    // output step is at most maxTableStep and the table would have at most
    // maxTableLength entries. Returns 0, or -1 on allocation failure.
    int setup(int inRate, int outRate, int taps, int maxTableStep, int maxTableLength);

    // The filter at distance k / outStep input samples from the output
    // instant: 2 x cutoff at k = 0, else from the table when one was built,
    // else by the direct formula.
    double coefficient(int k) const
    {
        if (k == 0)
            return 2 * cutoff;
        if (table)
            return static_cast<double>(table[static_cast<std::size_t>(std::abs(k) - 1)]);
        return directCoefficient(k);
    }
    // The formula itself. Not symmetric in floating point: the value for -k
    // may differ from the value for k in its last bits.
    double directCoefficient(int k) const
    {
        const double x = static_cast<double>(k) / outStep;
        const double w = blackmanWindow(x / taps);
        const double s = sinc(x * cutoff * kTwoPi);
        return s * w * cutoff * 2;
    }

    static double sinc(double x)
    {
        if (x > -1e-10 && x < 1e-10)
            return 1.0;
        return std::sin(x) / x;
    }
    // 1 at t = 0 and 0 at t = -0.5 and 0.5.
    static double blackmanWindow(double t)
    {
        const double u = t + 0.5;
        return 0.42 - 0.5 * std::cos(kTwoPi * u) + 0.08 * std::cos(kFourPi * u);
    }

    int taps = 0;
    // Input and output rates, reduced by their greatest common divisor.
    int inStep = 0;
    int outStep = 0;
    // Cutoff in cycles per input sample: 0.5, or outRate / inRate / 2 when
    // converting down.
    double cutoff = 0.0;
    // Coefficients for k = 1 .. tableLength (the table is symmetric), or
    // none.
    int tableLength = 0;
    std::unique_ptr<float[]> table;

private:
    // 1 when a table was built, 0 when none is used, -1 on allocation failure.
    int prepareTable(int maxTableStep, int maxTableLength);
};

}  // namespace korvel
