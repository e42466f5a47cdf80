#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/LaneSums.h"
#include "formats/SampleBuffer.h"

namespace korvel {

// Up to kMaxLaneJobs consecutive columns of a block, computed together over
// the rows from the first one's to the last one's end: the row of each
// column's earliest tap, its filter phase, and where the columns'
// coefficients lie, each padded with zeros to the group's span of rows.
struct LaneGroup {
    int count;
    int rows[kMaxLaneJobs];
    int phases[kMaxLaneJobs];
    int firstRow;
    int span;
    std::size_t offset;
};

// What every block of one conversion shares: the constants of the setup
// and the groups of columns with their coefficients.
struct LaneFilter {
    const LaneGroup* groups = nullptr;
    int groupCount = 0;
    // Column p of a group at coefficients + offset + p x span.
    const double* coefficients = nullptr;
    int taps = 0;
    // Outputs per lane, and the input samples between two lanes' starts.
    int columns = 0;
    int laneStride = 0;
    LaneSumFunction laneSums = nullptr;
    StreamSplitFunction split = splitStreamsPortable;
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
    // (at the phase every block starts with): lanes x columns samples, output j + l x columns
    // (lane l, column j) into out[j + l x columns].
    void compute(const LaneFilter& filter, const LaneInput& input, std::int64_t position, int lanes,
                 std::int16_t* out);

    // The input samples that block reads, from first to one before end:
    // the rows of every lane, and the streams' padding after them. Where
    // all of them are at hand the block splits its input fast, else sample
    // by sample with zeros for what is missing.
    static std::int64_t firstInput(int taps, std::int64_t position) { return position - taps / 2 + 1; }
    static int streamValues(int taps, int laneStride, int lanes) { return lanes + (laneStride + taps) / laneStride + 2; }
    static std::int64_t endOfInput(int taps, int laneStride, std::int64_t position, int lanes)
    {
        return firstInput(taps, position) + static_cast<std::int64_t>(streamValues(taps, laneStride, lanes)) * laneStride;
    }

private:
    // Splits the input from base into the streams of length values each.
    void fillStreams(const LaneFilter& filter, const LaneInput& input, std::int64_t base, int length);

    // Every value is written by fillStreams before it is read: grown
    // without zeroing.
    std::vector<double, DefaultInitAllocator<double>> streams;
    int streamLength = 0;
    // Where row r of the block begins in the streams.
    std::vector<int> rowOffsets;
};

}  // namespace korvel
