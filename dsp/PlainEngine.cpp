#include "dsp/PlainEngine.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dsp/Resampler.h"
#include "formats/SampleSource.h"

namespace korvel {

PlainEngine::PlainEngine(const ResamplingFilter& filter, SampleSource& source) : filter(filter), source(source) {}

PlainEngine::~PlainEngine() = default;

bool PlainEngine::prepare()
{
    historyLength = 4 * filter.taps;
    history.reset(new (std::nothrow) std::int16_t[static_cast<std::size_t>(historyLength)]());
    if (!history)
        return false;
    // The first read refills at once.
    validEnd = historyLength;
    position = historyLength;
    // With a table, the coefficients of every phase are laid out once, in
    // the order the sum takes them: row p holds coefficient(k) for the taps
    // of an output at phase p, earliest input sample first.
    if (!filter.table)
        return true;
    const int taps = filter.taps;
    const int outStep = filter.outStep;
    rows.reset(new (std::nothrow) double[static_cast<std::size_t>(outStep) * static_cast<std::size_t>(taps)]);
    if (!rows)
        return false;
    for (int p = 0; p < outStep; ++p) {
        double* row = rows.get() + static_cast<std::size_t>(p) * static_cast<std::size_t>(taps);
        int k = -((taps / 2 - 1) * outStep + p);
        for (int i = 0; i < taps; ++i) {
            row[i] = filter.coefficient(k);
            k += outStep;
        }
    }
    return true;
}

std::int16_t PlainEngine::computeSample() const
{
    const int taps = filter.taps;
    const int half = taps / 2;
    const std::int16_t* samples = history.get() + (position - half + 1);
    double sum = 0.0;
    if (rows) {
        const double* c = rows.get() + static_cast<std::size_t>(phase) * static_cast<std::size_t>(taps);
        for (int i = 0; i < taps; ++i)
            sum = sum + c[i] * samples[i];
    } else {
        const int outStep = filter.outStep;
        int k = -((half - 1) * outStep + phase);
        for (int i = 0; i < taps; ++i) {
            sum = sum + filter.coefficient(k) * samples[i];
            k += outStep;
        }
    }
    return Resampler::toSample(sum);
}

bool PlainEngine::refill(int& failure)
{
    const int taps = filter.taps;
    const int shift = historyLength - taps;
    std::memmove(history.get(), history.get() + shift, static_cast<std::size_t>(taps) * sizeof(std::int16_t));
    position -= shift;
    validEnd -= shift;
    int fill = taps;
    while (!ended && fill < historyLength) {
        int n = source.read(history.get() + fill, historyLength - fill);
        if (n < 0) {
            failure = n;
            return false;
        }
        if (n == 0)
            ended = true;
        n = std::min(n, historyLength - fill);
        fill += n;
        validEnd += n;
    }
    std::fill(history.get() + fill, history.get() + historyLength, std::int16_t{0});
    return true;
}

int PlainEngine::read(std::int16_t* destination, int count)
{
    if (done)
        return 0;
    const int half = filter.taps / 2;
    int written = 0;
    while (written < count) {
        if (position + half >= historyLength) {
            int failure = -1;
            if (!refill(failure))
                return failure;
        }
        if (position >= validEnd) {
            done = true;
            break;
        }
        destination[written++] = computeSample();
        phase += filter.inStep;
        position += phase / filter.outStep;
        phase %= filter.outStep;
    }
    return written;
}

}  // namespace korvel
