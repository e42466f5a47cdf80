#include "dsp/LaneEngine.h"

#include <algorithm>
#include <atomic>
#include <climits>

#include "formats/SampleSource.h"

namespace korvel {

namespace {

// The lane paths keep one coefficient per signed index k (padded a little
// for the groups of columns): at most this many (16 MiB), which covers
// every reduced output step of 4000 and 8000 Hz.
constexpr std::int64_t kMaxPhaseCoefficients = std::int64_t{1} << 21;
// From this many direct-formula values on, two threads compute them.
constexpr std::int64_t kThreadedCoefficients = std::int64_t{1} << 16;
// A block spans lanes x inStep input samples, split into streams of doubles;
// fewer lanes are used when that would pass this many values (4 MiB).
constexpr std::int64_t kMaxBlockInput = std::int64_t{1} << 19;
// The blocks computed together, on two threads when there are two or more,
// span at most this many input samples (1 MiB of them) unless two blocks
// are longer, and at most this many outputs.
constexpr std::int64_t kMaxBatchInput = std::int64_t{1} << 19;
constexpr std::size_t kMaxBatchOutputs = std::size_t{1} << 21;
// A read of fewer outputs than this is computed one block at a time on the
// calling thread. A caller that reads in pieces this small (the conversion
// road, which codes each piece on a thread of its own) keeps both cores busy
// already: a helper would be a third busy thread, and every batch it shares
// costs two thread switches and the pages of a batch's input.
constexpr std::int64_t kMinSharedRead = std::int64_t{1} << 16;

}  // namespace

LaneEngine::LaneEngine(const ResamplingFilter& filter, SampleSource& source, std::int64_t outputs, LaneSumFunction sums,
                       StreamSplitFunction split)
    : filter(filter), source(source), outputCount(outputs), sums(sums), split(split)
{
}

LaneEngine::~LaneEngine() = default;

LaneEngine::Prepared LaneEngine::prepare()
{
    // A block has columns of outputs, all phases of the filter at least
    // once, and enough of them to compute kMaxLaneJobs side by side; its
    // lanes start laneStride input samples apart.
    const int taps = filter.taps;
    const int inStep = filter.inStep;
    const int outStep = filter.outStep;
    const int repeats = outStep >= kMaxLaneJobs ? 1 : (kMaxLaneJobs + outStep - 1) / outStep;
    const std::int64_t count = static_cast<std::int64_t>(outStep) * taps;
    if (count > kMaxPhaseCoefficients ||
        static_cast<std::int64_t>(inStep) * repeats * kLaneGroup > kMaxBlockInput)
        return Prepared::tooLarge;
    columns = outStep * repeats;
    laneStride = inStep * repeats;

    // Every block starts at the same phase, so the groups of columns that
    // are computed together, and their coefficients padded to the group's
    // span of rows, are the same for every block: made here, once.
    laneGroups.clear();
    std::size_t values = 0;
    int at = 0;
    int row = 0;
    for (int j = 0; j < columns; j += kMaxLaneJobs) {
        LaneGroup group{};
        group.count = std::min(kMaxLaneJobs, columns - j);
        for (int n = 0; n < group.count; ++n) {
            group.rows[n] = row;
            group.phases[n] = at;
            at += inStep;
            row += at / outStep;
            at %= outStep;
        }
        group.firstRow = group.rows[0];
        group.span = group.rows[group.count - 1] - group.rows[0] + taps;
        group.offset = values;
        values += static_cast<std::size_t>(group.count) * static_cast<std::size_t>(group.span);
        laneGroups.push_back(group);
    }
    groupCoefficients.reset(new (std::nothrow) double[values]);
    if (!groupCoefficients)
        return Prepared::failed;
    // Each value is exactly coefficient(k), whichever thread computes it: a
    // second thread takes half of the groups when there are many values
    // (the direct formula costs three library calls per value). A column's
    // coefficients are padded with zeros before and after its own taps.
    auto fill = [this, taps, outStep](std::size_t firstGroup, std::size_t endGroup) {
        const int half = taps / 2;
        for (std::size_t g = firstGroup; g < endGroup; ++g) {
            const LaneGroup& group = laneGroups[g];
            for (int p = 0; p < group.count; ++p) {
                double* c = groupCoefficients.get() + group.offset + static_cast<std::size_t>(p) * group.span;
                const int lead = group.rows[p] - group.rows[0];
                std::fill(c, c + lead, 0.0);
                int k = -((half - 1) * outStep + group.phases[p]);
                for (int i = 0; i < taps; ++i) {
                    c[lead + i] = filter.coefficient(k);
                    k += outStep;
                }
                std::fill(c + lead + taps, c + group.span, 0.0);
            }
        }
    };
    const std::size_t groupCount = laneGroups.size();
    const bool direct = !filter.table;
    const std::size_t split = direct && count >= kThreadedCoefficients ? groupCount / 2 : groupCount;
    const bool helped = split < groupCount && helper.start([&fill, split, groupCount] { fill(split, groupCount); });
    fill(0, split);
    if (helped)
        helper.wait();
    else
        fill(split, groupCount);
    // Room for the input of the largest batch (two blocks, or the batch
    // limit, and the filter's reach), so that the buffer is not moved as it
    // refills: a move copies it into fresh pages each time.
    input.reserve(static_cast<std::size_t>(std::max(kMaxBatchInput, 2 * kMaxBlockInput) + kMaxBlockInput + 4 * taps));
    return Prepared::made;
}

// Blocks of lanes x columns outputs, lane l holding outputs j + l x columns
// (LaneBlock). Fewer lanes toward the end of the sound, so that little is
// computed past it.
int LaneEngine::chooseLanes(std::int64_t delivered) const
{
    int lanes = kMaxLanes;
    while (lanes > kLaneGroup && static_cast<std::int64_t>(lanes) * laneStride > kMaxBlockInput)
        lanes /= 2;
    const std::int64_t remaining = outputCount - delivered;
    while (lanes > kLaneGroup && static_cast<std::int64_t>(lanes / 2) * columns >= remaining)
        lanes /= 2;
    return lanes;
}

bool LaneEngine::fetchInput(std::int64_t first, std::int64_t last, int& failure)
{
    // Samples before first are not needed again.
    if (first > inputStart) {
        const std::int64_t drop = std::min(first, inputEnd) - inputStart;
        input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(drop));
        inputStart += drop;
    }
    while (!ended && inputEnd <= last) {
        const std::int64_t want = std::min<std::int64_t>(last + 1 - inputEnd + 3 * filter.taps, INT_MAX / 2);
        const std::size_t held = input.size();
        input.resize(held + static_cast<std::size_t>(want));
        int n = source.read(input.data() + held, static_cast<int>(want));
        if (n < 0) {
            input.resize(held);
            failure = n;
            return false;
        }
        if (n == 0)
            ended = true;
        n = static_cast<int>(std::min<std::int64_t>(n, want));
        input.resize(held + static_cast<std::size_t>(n));
        inputEnd += n;
    }
    return true;
}

int LaneEngine::computeBatch(std::int64_t wanted)
{
    if (ended && blockPosition >= inputEnd)
        return 0;
    // The blocks that computing one block after the other would make for
    // the outputs wanted: every block but the last of the sound gives all
    // its outputs, so each one's lanes follow from the ones before it.
    batch.clear();
    std::int64_t position = blockPosition;
    std::size_t outputs = 0;
    for (;;) {
        const int lanes = chooseLanes(produced + static_cast<std::int64_t>(outputs));
        const std::int64_t next = position + static_cast<std::int64_t>(lanes) * laneStride;
        if (!batch.empty() && (wanted < kMinSharedRead || outputs >= static_cast<std::size_t>(wanted) ||
                               outputs >= kMaxBatchOutputs || (batch.size() >= 2 && next - blockPosition > kMaxBatchInput)))
            break;
        batch.push_back({position, lanes, outputs});
        outputs += static_cast<std::size_t>(lanes) * static_cast<std::size_t>(columns);
        position = next;
    }

    // All the input they read, at once, so that each block finds the whole
    // of its input at hand.
    const PlannedBlock& tail = batch.back();
    const std::int64_t last = LaneBlock::endOfInput(filter.taps, laneStride, tail.position, tail.lanes) - 1;
    int failure = -1;
    if (!fetchInput(LaneBlock::firstInput(filter.taps, blockPosition), last, failure))
        return failure;
    // A block that begins at or past the end of the input gives nothing.
    if (ended) {
        while (!batch.empty() && batch.back().position >= inputEnd)
            batch.pop_back();
        if (batch.empty())
            return 0;
    }

    const PlannedBlock& end = batch.back();
    const std::size_t endOutputs = static_cast<std::size_t>(end.lanes) * static_cast<std::size_t>(columns);
    pending.resize(end.firstOutput + endOutputs);
    const LaneFilter lanes{laneGroups.data(), static_cast<int>(laneGroups.size()), groupCoefficients.get(), filter.taps,
                           columns, laneStride, sums, split};
    const LaneInput window{input.data(), inputStart, inputEnd};
    // Each thread takes the next block not yet taken, so that both finish
    // together; the helper joins in when there are two blocks or more.
    std::atomic<std::size_t> nextBlock{0};
    auto computeBlocks = [&](LaneBlock& workspace) {
        for (std::size_t b; (b = nextBlock.fetch_add(1)) < batch.size();)
            workspace.compute(lanes, window, batch[b].position, batch[b].lanes, pending.data() + batch[b].firstOutput);
    };
    const bool helped = batch.size() >= 2 && helper.start([&] { computeBlocks(workspaces[1]); });
    try {
        computeBlocks(workspaces[0]);
    } catch (...) {
        // The helper must be done with the batch before it goes.
        if (helped) {
            nextBlock = batch.size();
            helper.wait();
        }
        throw;
    }
    if (helped)
        helper.wait();

    // Outputs exist while their position is before the end of the input.
    std::size_t count = endOutputs;
    if (ended) {
        count = 0;
        while (count < endOutputs &&
               end.position + static_cast<std::int64_t>(count) * filter.inStep / filter.outStep < inputEnd)
            ++count;
    }
    blockPosition = end.position + static_cast<std::int64_t>(end.lanes) * laneStride;
    pendingAt = 0;
    pendingCount = end.firstOutput + count;
    return static_cast<int>(pendingCount);
}

int LaneEngine::read(std::int16_t* destination, int count)
{
    int written = 0;
    while (written < count) {
        if (pendingAt == pendingCount) {
            const int n = computeBatch(count - written);
            if (n < 0)
                return n;
            if (n == 0) {
                done = true;
                break;
            }
        }
        const std::size_t n = std::min(pendingCount - pendingAt, static_cast<std::size_t>(count - written));
        std::copy_n(pending.data() + pendingAt, n, destination + written);
        pendingAt += n;
        written += static_cast<int>(n);
        produced += static_cast<std::int64_t>(n);
    }
    return written;
}

}  // namespace korvel
