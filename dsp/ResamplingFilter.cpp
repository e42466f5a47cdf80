#include "dsp/ResamplingFilter.h"

#include <new>

namespace korvel {

namespace {

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

int ResamplingFilter::setup(int inRate, int outRate, int filterTaps, int maxTableStep, int maxTableLength)
{
    taps = filterTaps;
    cutoff = 0.5;
    if (inRate > outRate)
        cutoff = outRate * 0.5 / inRate;
    const int g = greatestCommonDivisor(inRate, outRate);
    inStep = inRate / g;
    outStep = outRate / g;
    return prepareTable(maxTableStep, maxTableLength) < 0 ? -1 : 0;
}

int ResamplingFilter::prepareTable(int maxTableStep, int maxTableLength)
{
    table.reset();
    tableLength = 0;
    if (outStep > maxTableStep)
        return 0;
    const std::int64_t length = static_cast<std::int64_t>(outStep) * taps / 2;
    if (length > maxTableLength)
        return 0;
    std::unique_ptr<float[]> values(new (std::nothrow) float[static_cast<std::size_t>(length)]);
    if (!values)
        return -1;
    for (int i = 0; i < length; ++i)
        values[static_cast<std::size_t>(i)] = static_cast<float>(directCoefficient(i + 1));
    table = std::move(values);
    tableLength = static_cast<int>(length);
    return 1;
}

}  // namespace korvel
