#include "dsp/LaneBlock.h"

#include <algorithm>

#include "dsp/Resampler.h"

namespace korvel {

void LaneBlock::fillStreams(const LaneFilter& filter, const LaneInput& input, std::int64_t base, int length)
{
    const int stride = filter.laneStride;
    const std::int64_t end = base + static_cast<std::int64_t>(length) * stride;
    if (base < input.start || end > input.end) {
        // Near the ends of the sound: zeros outside what the source gave.
        for (int s = 0; s < stride; ++s) {
            double* stream = streams.data() + static_cast<std::size_t>(s) * static_cast<std::size_t>(length);
            for (int t = 0; t < length; ++t)
                stream[t] = input.at(base + s + static_cast<std::int64_t>(t) * stride);
        }
        return;
    }
    // Row after row of the input, read in order.
    const std::int16_t* x = input.samples + (base - input.start);
    for (int t = 0; t < length; ++t) {
        const std::int16_t* from = x + static_cast<std::ptrdiff_t>(t) * stride;
        for (int s = 0; s < stride; ++s)
            streams[static_cast<std::size_t>(s) * static_cast<std::size_t>(length) + static_cast<std::size_t>(t)] =
                from[s];
    }
}

void LaneBlock::compute(const LaneFilter& filter, const LaneInput& input, std::int64_t position, int lanes,
                        std::int16_t* out)
{
    const int taps = filter.taps;
    const int stride = filter.laneStride;
    const int columns = filter.columns;
    // Column j of the block is at input position + row(j), row(j) <= laneStride.
    const std::int64_t base = position - taps / 2 + 1;
    const int rows = stride + taps;

    // Input sample base + r + l x laneStride, for row r and lane l, goes to
    // streams[rowOffsets[r] + l].
    const int length = lanes + rows / stride + 2;
    if (length != streamLength) {
        streamLength = length;
        rowOffsets.resize(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
            rowOffsets[static_cast<std::size_t>(r)] = (r % stride) * length + r / stride;
        streams.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(length));
    }
    fillStreams(filter, input, base, length);

    // Up to kMaxLaneJobs consecutive columns at a time, over the rows from the
    // first one's to the last one's end; each column's coefficients padded
    // with zeros to that span.
    const std::size_t padLength = static_cast<std::size_t>(rows);
    padded.resize(kMaxLaneJobs * padLength);
    const double* jobCoefficients[kMaxLaneJobs];
    int jobRow[kMaxLaneJobs];
    int jobPhase[kMaxLaneJobs];
    double sums[kMaxLaneJobs * kMaxLanes];
    int j = 0;
    int at = filter.phase;
    int row = 0;
    while (j < columns) {
        int n = 0;
        for (; n < kMaxLaneJobs && j + n < columns; ++n) {
            jobRow[n] = row;
            jobPhase[n] = at;
            at += filter.inStep;
            row += at / filter.outStep;
            at %= filter.outStep;
        }
        const int span = jobRow[n - 1] - jobRow[0] + taps;
        for (int p = 0; p < n; ++p) {
            double* c = padded.data() + static_cast<std::size_t>(p) * padLength;
            const int lead = jobRow[p] - jobRow[0];
            std::fill(c, c + lead, 0.0);
            std::copy_n(filter.phaseCoefficients + static_cast<std::size_t>(jobPhase[p]) * taps, taps, c + lead);
            std::fill(c + lead + taps, c + span, 0.0);
            jobCoefficients[p] = c;
        }
        filter.laneSums(jobCoefficients, n, rowOffsets.data() + jobRow[0], span, streams.data(), lanes, sums);
        for (int p = 0; p < n; ++p)
            for (int l = 0; l < lanes; ++l)
                out[static_cast<std::size_t>(j + p) + static_cast<std::size_t>(l) * columns] =
                    Resampler::toSample(sums[p * lanes + l]);
        j += n;
    }
}

}  // namespace korvel
