#include "dsp/Resampler.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

namespace korvel {

namespace {

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
    if (source != nullptr && source->channels == 1) {
        copyFormat(*source);
        dataOffset = 0;
        this->source = source;
        flags |= kSourceOk;
    }
}

Resampler::~Resampler() = default;

int Resampler::setup(int outRate, int taps, int maxTableStep, int maxTableLength)
{
    if (outRate <= 0 || outRate > kMaxOutRate)
        return -1;
    const int evenTaps = taps & ~1;
    if (evenTaps <= 0)
        return -1;
    if (!(flags & kSourceOk) || (flags & kReady))
        return -1;
    const int inRate = source->sampleRate;
    if (inRate <= 0)
        return -1;
    // A refill keeps the last taps samples of a history of 4 x taps, so one
    // output step may advance the position by at most 3 x taps samples.
    if (static_cast<std::int64_t>(inRate) > 3 * static_cast<std::int64_t>(evenTaps) * outRate)
        return -1;
    // The history and the coefficient index k must fit the 32-bit counters.
    if (evenTaps > INT_MAX / 4 || (static_cast<std::int64_t>(evenTaps) / 2 + 1) * outRate > INT_MAX)
        return -1;
    if (source->frameCount < 0)
        return -1;
    const double outputFrames = std::ceil(static_cast<double>(source->frameCount) * outRate / inRate);
    if (outputFrames > INT_MAX / 2)
        return -1;

    sampleRate = outRate;
    outStep = outRate;
    inStep = inRate;
    frameCount = static_cast<std::int32_t>(outputFrames);
    dataBytes = 2 * frameCount;

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

std::int16_t Resampler::toSample(double sum)
{
    const double v = sum + 0.5;
    if (v > 32767)
        return 32767;
    if (v < -32767)
        return -32767;
    return static_cast<std::int16_t>(v);
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
            flags |= kFailed;
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
    if (!(flags & kReady) || (flags & kFailed))
        return -1;
    if (flags & kFinished)
        return 0;
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
