#include "dsp/Resampler.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "dsp/LaneSums.h"

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

LaneSumFunction laneSumsFor(Resampler::Path path)
{
    switch (path) {
    case Resampler::Path::avx512:
        return laneSumsAvx512;
    case Resampler::Path::avx2:
        return laneSumsAvx2;
    default:
        return laneSumsPortable;
    }
}

constexpr double kTwoPi = 6.283185307179586;
constexpr double kFourPi = 12.566370614359172;
constexpr int kMaxOutRate = 1000000;

int greatestCommonDivisor(int a, int b)
{
    while (b != 0) {
        int r = a % b;
        a = b;
        b = r;
    }
    return a;
}

}  // namespace

Resampler::Resampler(SampleSource* source)
{
    if (source != nullptr && source->format.channels == 1) {
        format = source->format;
        this->source = source;
        flags |= kSourceOk;
    }
}

Resampler::~Resampler() = default;

Resampler::Path Resampler::fastestPath()
{
    if (cpuHasAvx512())
        return Path::avx512;
    if (cpuHasAvx2())
        return Path::avx2;
    return Path::lanes;
}

bool Resampler::pathAvailable(Path path)
{
    switch (path) {
    case Path::avx512:
        return cpuHasAvx512();
    case Path::avx2:
        return cpuHasAvx2();
    default:
        return true;
    }
}

int Resampler::selectPath(Path path)
{
    if ((flags & kReady) || !pathAvailable(path))
        return -1;
    chosenPath = path;
    return 0;
}

int Resampler::setup(int outRate, int taps, int maxTableStep, int maxTableLength)
{
    if (outRate <= 0 || outRate > kMaxOutRate)
        return -1;
    const int evenTaps = taps & ~1;
    if (evenTaps <= 0)
        return -1;
    if (!(flags & kSourceOk) || (flags & kReady))
        return -1;
    const int inRate = source->format.sampleRate;
    if (inRate <= 0)
        return -1;
    // A refill keeps the last taps samples of a history of 4 x taps, so one
    // output step may advance the position by at most 3 x taps samples.
    if (static_cast<std::int64_t>(inRate) > 3 * static_cast<std::int64_t>(evenTaps) * outRate)
        return -1;
    // The history and the coefficient index k must fit the 32-bit counters.
    if (evenTaps > INT_MAX / 4 || (static_cast<std::int64_t>(evenTaps) / 2 + 1) * outRate > INT_MAX)
        return -1;
    if (source->format.frameCount < 0)
        return -1;
    const double outputFrames = std::ceil(static_cast<double>(source->format.frameCount) * outRate / inRate);
    if (outputFrames > INT_MAX / 2)
        return -1;

    format = ClipFormat::of16Bit(outRate, 1, static_cast<int>(outputFrames));
    bytesPerSample = 2;
    outStep = outRate;
    inStep = inRate;

    this->taps = evenTaps;
    historyLength = 4 * evenTaps;
    history.reset(new (std::nothrow) std::int16_t[static_cast<std::size_t>(historyLength)]());
    if (!history)
        return -1;
    // The first read refills at once.
    validEnd = historyLength;
    position = historyLength;

    phase = 0;
    cutoff = 0.5;
    if (inRate > outRate)
        cutoff = outRate * 0.5 / inRate;

    if (prepareTable(maxTableStep, maxTableLength) < 0)
        return -1;
    if (chosenPath != Path::plain && preparePhases() <= 0)
        chosenPath = Path::plain;
    flags |= kReady;
    return 0;
}

int Resampler::prepareTable(int maxTableStep, int maxTableLength)
{
    const int g = greatestCommonDivisor(inStep, outStep);
    inStep /= g;
    outStep /= g;
    flags &= ~kTableInUse;
    if (outStep > maxTableStep)
        return 0;
    const std::int64_t length = static_cast<std::int64_t>(outStep) * taps / 2;
    if (length > maxTableLength)
        return 0;
    tableLength = static_cast<int>(length);
    table.reset(new (std::nothrow) float[static_cast<std::size_t>(tableLength)]);
    if (!table) {
        tableLength = 0;
        return -1;
    }
    for (int i = 0; i < tableLength; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<float>(directCoefficient(i + 1));
    flags |= kTableInUse;
    return 1;
}

double Resampler::sinc(double x)
{
    if (x > -1e-10 && x < 1e-10)
        return 1.0;
    return std::sin(x) / x;
}

double Resampler::blackmanWindow(double t)
{
    const double u = t + 0.5;
    return 0.42 - 0.5 * std::cos(kTwoPi * u) + 0.08 * std::cos(kFourPi * u);
}

// Not symmetric in floating point: the value for -k may differ from the
// value for k in its last bits.
double Resampler::directCoefficient(int k) const
{
    const double x = static_cast<double>(k) / outStep;
    const double w = blackmanWindow(x / taps);
    const double s = sinc(x * cutoff * kTwoPi);
    return s * w * cutoff * 2;
}

double Resampler::coefficient(int k) const
{
    if (k == 0)
        return 2 * cutoff;
    if (flags & kTableInUse)
        return static_cast<double>(table[static_cast<std::size_t>(std::abs(k) - 1)]);
    return directCoefficient(k);
}

std::int16_t Resampler::computeSample() const
{
    const int half = taps / 2;
    const int first = position - half + 1;
    int k = -((half - 1) * outStep + phase);
    double sum = 0.0;
    for (int i = 0; i < taps; ++i) {
        sum = sum + coefficient(k) * history[static_cast<std::size_t>(first + i)];
        k += outStep;
    }
    return toSample(sum);
}

bool Resampler::refill(int& failure)
{
    const int shift = historyLength - taps;
    std::memmove(history.get(), history.get() + shift, static_cast<std::size_t>(taps) * sizeof(std::int16_t));
    position -= shift;
    validEnd -= shift;
    int fill = taps;
    while (!(flags & kSourceEnded) && fill < historyLength) {
        int n = source->read(history.get() + fill, historyLength - fill);
        if (n < 0) {
            flags |= kReadFailed;
            failure = n;
            return false;
        }
        if (n == 0)
            flags |= kSourceEnded;
        n = std::min(n, historyLength - fill);
        fill += n;
        validEnd += n;
    }
    std::fill(history.get() + fill, history.get() + historyLength, std::int16_t{0});
    return true;
}

int Resampler::read(std::int16_t* destination, int count)
{
    if (destination == nullptr || count < 0)
        return -1;
    if (!(flags & kReady) || (flags & kReadFailed))
        return -1;
    if (flags & kFinished)
        return 0;
    if (chosenPath != Path::plain)
        return readLanes(destination, count);
    int written = 0;
    while (written < count) {
        if (position + taps / 2 >= historyLength) {
            int failure = -1;
            if (!refill(failure))
                return failure;
        }
        if (position >= validEnd) {
            flags |= kFinished;
            break;
        }
        destination[written++] = computeSample();
        phase += inStep;
        position += phase / outStep;
        phase %= outStep;
    }
    return written;
}

int Resampler::preparePhases()
{
    // A block has columns of outputs, all phases of the filter at least
    // once, and enough of them to compute kMaxLaneJobs side by side; its
    // lanes start laneStride input samples apart.
    const int repeats = outStep >= kMaxLaneJobs ? 1 : (kMaxLaneJobs + outStep - 1) / outStep;
    const std::int64_t count = static_cast<std::int64_t>(outStep) * taps;
    if (count > kMaxPhaseCoefficients ||
        static_cast<std::int64_t>(inStep) * repeats * kLaneGroup > kMaxBlockInput)
        return 0;
    columns = outStep * repeats;
    laneStride = inStep * repeats;

    // Every block starts at the same phase, so the groups of columns that
    // are computed together, and their coefficients padded to the group's
    // span of rows, are the same for every block: made here, once.
    laneGroups.clear();
    std::size_t values = 0;
    int at = phase;
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
        return -1;
    // Each value is exactly coefficient(k), whichever thread computes it: a
    // second thread takes half of the groups when there are many values
    // (the direct formula costs three library calls per value). A column's
    // coefficients are padded with zeros before and after its own taps.
    auto fill = [this](std::size_t firstGroup, std::size_t endGroup) {
        const int half = taps / 2;
        for (std::size_t g = firstGroup; g < endGroup; ++g) {
            const LaneGroup& group = laneGroups[g];
            for (int p = 0; p < group.count; ++p) {
                double* c = groupCoefficients.get() + group.offset + static_cast<std::size_t>(p) * group.span;
                const int lead = group.rows[p] - group.rows[0];
                std::fill(c, c + lead, 0.0);
                int k = -((half - 1) * outStep + group.phases[p]);
                for (int i = 0; i < taps; ++i) {
                    c[lead + i] = coefficient(k);
                    k += outStep;
                }
                std::fill(c + lead + taps, c + group.span, 0.0);
            }
        }
    };
    const std::size_t groupCount = laneGroups.size();
    const bool direct = !(flags & kTableInUse);
    const std::size_t split = direct && count >= kThreadedCoefficients ? groupCount / 2 : groupCount;
    const bool helped = split < groupCount && helper.start([&fill, split, groupCount] { fill(split, groupCount); });
    fill(0, split);
    if (helped)
        helper.wait();
    else
        fill(split, groupCount);
    // Before the first input sample the signal is zero, as in the history.
    inputStart = 0;
    inputEnd = 0;
    blockPosition = 0;
    return 1;
}

// Blocks of lanes x columns outputs, lane l holding outputs j + l x columns
// (LaneBlock). Fewer lanes toward the end of the sound, so that little is
// computed past it.
int Resampler::chooseLanes(std::int64_t delivered) const
{
    int lanes = kMaxLanes;
    while (lanes > kLaneGroup && static_cast<std::int64_t>(lanes) * laneStride > kMaxBlockInput)
        lanes /= 2;
    const std::int64_t remaining = static_cast<std::int64_t>(format.frameCount) - delivered;
    while (lanes > kLaneGroup && static_cast<std::int64_t>(lanes / 2) * columns >= remaining)
        lanes /= 2;
    return lanes;
}

bool Resampler::fetchInput(std::int64_t first, std::int64_t last, int& failure)
{
    // Samples before first are not needed again.
    if (first > inputStart) {
        const std::int64_t drop = std::min(first, inputEnd) - inputStart;
        input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(drop));
        inputStart += drop;
    }
    while (!(flags & kSourceEnded) && inputEnd <= last) {
        const std::int64_t want = std::min<std::int64_t>(last + 1 - inputEnd + 3 * taps, INT_MAX / 2);
        const std::size_t held = input.size();
        input.resize(held + static_cast<std::size_t>(want));
        int n = source->read(input.data() + held, static_cast<int>(want));
        if (n < 0) {
            input.resize(held);
            flags |= kReadFailed;
            failure = n;
            return false;
        }
        if (n == 0)
            flags |= kSourceEnded;
        n = static_cast<int>(std::min<std::int64_t>(n, want));
        input.resize(held + static_cast<std::size_t>(n));
        inputEnd += n;
    }
    return true;
}

int Resampler::computeBatch(std::int64_t wanted)
{
    if ((flags & kSourceEnded) && blockPosition >= inputEnd)
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
        if (!batch.empty() && (outputs >= static_cast<std::size_t>(wanted) || outputs >= kMaxBatchOutputs ||
                               (batch.size() >= 2 && next - blockPosition > kMaxBatchInput)))
            break;
        batch.push_back({position, lanes, outputs});
        outputs += static_cast<std::size_t>(lanes) * static_cast<std::size_t>(columns);
        position = next;
    }

    // All the input they read, at once: a block reads as far as the first
    // sample of its last lane plus one lane's rows.
    const int half = taps / 2;
    const int rows = laneStride + taps;
    const PlannedBlock& tail = batch.back();
    const std::int64_t last = tail.position - half + 1 + static_cast<std::int64_t>(tail.lanes - 1) * laneStride + rows;
    int failure = -1;
    if (!fetchInput(blockPosition - half + 1, last, failure))
        return failure;
    // A block that begins at or past the end of the input gives nothing.
    if (flags & kSourceEnded) {
        while (!batch.empty() && batch.back().position >= inputEnd)
            batch.pop_back();
        if (batch.empty())
            return 0;
    }

    const PlannedBlock& end = batch.back();
    const std::size_t endOutputs = static_cast<std::size_t>(end.lanes) * static_cast<std::size_t>(columns);
    pending.resize(end.firstOutput + endOutputs);
    const LaneFilter filter{laneGroups.data(), static_cast<int>(laneGroups.size()), groupCoefficients.get(), taps,
                            columns, laneStride, laneSumsFor(chosenPath)};
    const LaneInput window{input.data(), inputStart, inputEnd};
    // Each thread takes the next block not yet taken, so that both finish
    // together; the helper joins in when there are two blocks or more.
    std::atomic<std::size_t> nextBlock{0};
    auto computeBlocks = [&](LaneBlock& workspace) {
        for (std::size_t b; (b = nextBlock.fetch_add(1)) < batch.size();)
            workspace.compute(filter, window, batch[b].position, batch[b].lanes, pending.data() + batch[b].firstOutput);
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
    if (flags & kSourceEnded) {
        count = 0;
        while (count < endOutputs && end.position + (phase + static_cast<std::int64_t>(count) * inStep) / outStep < inputEnd)
            ++count;
    }
    blockPosition = end.position + static_cast<std::int64_t>(end.lanes) * laneStride;
    pendingAt = 0;
    pendingCount = end.firstOutput + count;
    return static_cast<int>(pendingCount);
}

int Resampler::readLanes(std::int16_t* destination, int count)
{
    int written = 0;
    while (written < count) {
        if (pendingAt == pendingCount) {
            const int n = computeBatch(count - written);
            if (n < 0)
                return n;
            if (n == 0) {
                flags |= kFinished;
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

int Resampler::readBytes(std::uint8_t* destination, int count)
{
    return source != nullptr ? source->readBytes(destination, count) : -1;
}

int Resampler::rewind()
{
    return -1;
}

int Resampler::seekFrame(int)
{
    return -1;
}

}  // namespace korvel
