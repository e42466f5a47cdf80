#include "tests/support/VectorSource.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace korvel::test {

VectorSource::VectorSource(std::vector<std::int16_t> samples, int channels, int sampleRate)
    : values(std::move(samples))
{
    format = ClipFormat::of16Bit(sampleRate, channels, channels > 0 ? static_cast<int>(values.size()) / channels : 0);
    bytesPerSample = 2;
}

int VectorSource::read(std::int16_t* destination, int frames)
{
    ++reads;
    if (failAfterFrames >= 0 && next >= failAfterFrames)
        return failure;
    // The frames held, whatever the format announces.
    const int channels = format.channels;
    const int held = channels > 0 ? static_cast<int>(values.size()) / channels : 0;
    int n = std::max(0, std::min(frames, held - next));
    if (framesPerRead > 0)
        n = std::min(n, framesPerRead);
    if (failAfterFrames >= 0)
        n = std::min(n, failAfterFrames - next);
    std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(next) * channels, n * channels, destination);
    next += n;
    return n;
}

int VectorSource::readBytes(std::uint8_t*, int)
{
    return -1;
}

int VectorSource::seekFrame(std::int64_t frame)
{
    if (frame < 0)
        return -1;
    next = static_cast<int>(std::min<std::int64_t>(frame, INT_MAX));
    return 0;
}

int VectorSource::rewind()
{
    next = 0;
    return 0;
}

std::vector<std::int16_t> sine(int frames, double frequency, int sampleRate, double amplitude)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        out[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * i / sampleRate)));
    return out;
}

double toneAmplitude(const std::vector<std::int16_t>& samples, double frequency, int sampleRate, int from, int to)
{
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (int i = from; i < to; ++i) {
        double w = 2 * std::numbers::pi * frequency * i / sampleRate;
        double s = std::sin(w), c = std::cos(w), y = samples[static_cast<std::size_t>(i)];
        ss += s * s;
        sc += s * c;
        cc += c * c;
        ys += y * s;
        yc += y * c;
    }
    double det = ss * cc - sc * sc;
    double a = (ys * cc - yc * sc) / det;
    double b = (yc * ss - ys * sc) / det;
    return std::hypot(a, b);
}

double rms(const std::vector<double>& values, int from, int to)
{
    double sum = 0;
    for (int i = from; i < to; ++i)
        sum += values[static_cast<std::size_t>(i)] * values[static_cast<std::size_t>(i)];
    return std::sqrt(sum / (to - from));
}

}  // namespace korvel::test
