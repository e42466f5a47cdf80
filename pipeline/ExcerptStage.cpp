#include "pipeline/ExcerptStage.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace korvel {

namespace {

std::int64_t framesOf(double seconds, int rate)
{
    return static_cast<std::int64_t>(std::llround(std::max(seconds, 0.0) * rate));
}

}  // namespace

ExcerptStage::ExcerptStage(SampleSource* source, std::int64_t totalFrames, const ExcerptSettings& settings)
    : source(source)
{
    const ClipFormat& in = source->format;
    first = std::min(framesOf(settings.start, in.sampleRate), totalFrames);
    std::int64_t count = totalFrames - first;
    if (settings.length)
        count = std::min(count, framesOf(*settings.length, in.sampleRate));
    // The stages after this one count in 32 bits.
    count = std::min<std::int64_t>(count, INT32_MAX);
    format = ClipFormat::of16Bit(in.sampleRate, in.channels, static_cast<int>(count));
    bytesPerSample = 2;
    fadeInFrames = std::min(framesOf(settings.fadeIn, in.sampleRate), count);
    fadeOutFrames = std::min(framesOf(settings.fadeOut, in.sampleRate), count);
    gain = std::pow(10.0, settings.gainDb / 20.0);
    shaped = settings.gainDb != 0 || fadeInFrames > 0 || fadeOutFrames > 0;
}

ExcerptStage::~ExcerptStage() = default;

int ExcerptStage::prepare()
{
    if (first == 0)
        return 0;
    if (first > INT_MAX)
        return -1;
    return source->seekFrame(static_cast<int>(first)) < 0 ? -1 : 0;
}

double ExcerptStage::factorAt(std::int64_t frame) const
{
    double factor = gain;
    if (frame < fadeInFrames)
        factor = factor * (static_cast<double>(frame) / static_cast<double>(fadeInFrames));
    const std::int64_t fromEnd = format.frameCount - 1 - frame;
    if (fromEnd < fadeOutFrames)
        factor = factor * (static_cast<double>(fromEnd) / static_cast<double>(fadeOutFrames));
    return factor;
}

int ExcerptStage::read(std::int16_t* destination, int frames)
{
    if (destination == nullptr || frames < 0)
        return -1;
    const int count = static_cast<int>(std::min<std::int64_t>(frames, format.frameCount - delivered));
    if (count <= 0)
        return 0;
    const int got = source->read(destination, count);
    if (got <= 0)
        return got;
    if (shaped) {
        const int channels = format.channels;
        for (int f = 0; f < got; ++f) {
            const double factor = factorAt(delivered + f);
            std::int16_t* frame = destination + static_cast<std::size_t>(f) * static_cast<std::size_t>(channels);
            for (int c = 0; c < channels; ++c) {
                const double v = std::round(frame[c] * factor);
                frame[c] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
            }
        }
    }
    delivered += got;
    return got;
}

int ExcerptStage::readBytes(std::uint8_t*, int)
{
    return -1;
}

int ExcerptStage::rewind()
{
    return -1;
}

}  // namespace korvel
