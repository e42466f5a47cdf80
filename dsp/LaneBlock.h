#pragma once

#include <cstdint>
#include <vector>

#include "dsp/LaneSums.h"

namespace korvel {

// What every block of one conversion shares: the constants of the setup
// and the coefficients of each filter phase.
struct LaneFilter {
    // phaseCoefficients[phase * taps + i]: tap i of an output at that phase.
    const double* phaseCoefficients = nullptr;
    int taps = 0;
    int inStep = 0;
    int outStep = 0;
    // The phase of the first output of every block.
    int phase = 0;
    // Outputs per lane, and the input samples between two lanes' starts.
    int columns = 0;
    int laneStride = 0;
    LaneSumFunction laneSums = nullptr;
};

// The input samples from start to end (absolute indices); the signal is
// zero outside them.
struct LaneInput {
    const std::int16_t* samples = nullptr;
    std::int64_t start = 0;
    std::int64_t end = 0;

    double at(std::int64_t index) const
    {
        return index < start || index >= end ? 0.0 : samples[index - start];
    }
};

// One block of outputs of the resampler's lane paths, with the memory it
// works in. Lane l holds outputs j + l x columns for every column j, so each
// column is one filter phase for all its lanes. The block's input is split
// by index modulo laneStride into streams of doubles, so that the lanes of
// one row of input lie side by side; each output is still the sum of its
// taps added in order from the earliest input sample. Blocks of one
// conversion can be computed by different threads, each with a LaneBlock
// of its own: the results do not depend on which one computes them.
class LaneBlock {
public:
    // Computes the block whose first output falls on input sample `position`
    // at the filter's phase: lanes x columns samples, output j + l x columns
    // (lane l, column j) into out[j + l x columns].
    void compute(const LaneFilter& filter, const LaneInput& input, std::int64_t position, int lanes,
                 std::int16_t* out);

private:
    // Splits the input from base into the streams of length values each.
    void fillStreams(const LaneFilter& filter, const LaneInput& input, std::int64_t base, int length);

    std::vector<double> streams;
    int streamLength = 0;
    // Where row r of the block begins in the streams.
    std::vector<int> rowOffsets;
    // The coefficients of the phases computed together, padded to one span.
    std::vector<double> padded;
};

}  // namespace korvel
