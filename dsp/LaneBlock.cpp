#include "dsp/LaneBlock.h"

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
    filter.split(input.samples + (base - input.start), stride, length, streams.data());
}

void LaneBlock::compute(const LaneFilter& filter, const LaneInput& input, std::int64_t position, int lanes,
                        std::int16_t* out)
{
    const int taps = filter.taps;
    const int stride = filter.laneStride;
    const int columns = filter.columns;
    // Column j of the block is at input position + row(j), row(j) <= laneStride.
    const std::int64_t base = firstInput(taps, position);
    const int rows = stride + taps;

    // Input sample base + r + l x laneStride, for row r and lane l, goes to
    // streams[rowOffsets[r] + l].
    const int length = streamValues(taps, stride, lanes);
    if (length != streamLength) {
        streamLength = length;
        rowOffsets.resize(static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
            rowOffsets[static_cast<std::size_t>(r)] = (r % stride) * length + r / stride;
        streams.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(length));
    }
    fillStreams(filter, input, base, length);

    const double* jobCoefficients[kMaxLaneJobs];
    double sums[kMaxLaneJobs * kMaxLanes];
    for (int g = 0; g < filter.groupCount; ++g) {
        const LaneGroup& group = filter.groups[g];
        for (int p = 0; p < group.count; ++p)
            jobCoefficients[p] = filter.coefficients + group.offset + static_cast<std::size_t>(p) * group.span;
        filter.laneSums(jobCoefficients, group.count, rowOffsets.data() + group.firstRow, group.span, streams.data(),
                        lanes, sums);
        const int j = g * kMaxLaneJobs;
        for (int p = 0; p < group.count; ++p)
            for (int l = 0; l < lanes; ++l)
                out[static_cast<std::size_t>(j + p) + static_cast<std::size_t>(l) * columns] =
                    Resampler::toSample(sums[p * lanes + l]);
    }
}

}  // namespace korvel
