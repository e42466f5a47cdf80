#include "road/ExcerptStage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace korvel {

namespace {

// More frames than any sound holds: times are bounded here, before any
// arithmetic, so that every later sum and product fits.
constexpr std::int64_t kEndless = std::int64_t{1} << 60;

// The frame of a time, rounded; 0 for a negative time or one that is no
// number, kEndless for one past any sound.
std::int64_t framesOf(double seconds, int rate)
{
    const double frames = seconds * rate;
    if (!(frames > 0))
        return 0;
    if (frames >= static_cast<double>(kEndless))
        return kEndless;
    return static_cast<std::int64_t>(std::llround(frames));
}

// Frames read at a time where only the end is looked for.
constexpr int kScratchFrames = 4096;

}  // namespace

ExcerptStage::Span ExcerptStage::spanOf(const SoundPart& settings, int rate, std::int64_t totalFrames,
                                        std::int64_t reach)
{
    Span span;
    totalFrames = std::clamp<std::int64_t>(totalFrames, 0, kEndless);
    span.first = std::min(framesOf(settings.start, rate), totalFrames);
    span.count = totalFrames - span.first;
    if (settings.length)
        span.count = std::min(span.count, framesOf(*settings.length, rate));
    span.fadeIn = std::min(framesOf(settings.fadeIn, rate), span.count);
    span.fadeOut = std::min(framesOf(settings.fadeOut, rate), span.count);
    // Frames beyond the reach cannot be heard, nor a fade-out that starts
    // beyond it: an excerpt that ends later than the reach plus its
    // fade-out (and than its fade-in, whose steps its length sets) is
    // announced as ending there, which changes nothing that can be heard.
    span.count = std::min(span.count, std::max(std::clamp<std::int64_t>(reach, 0, kEndless) + span.fadeOut, span.fadeIn));
    return span;
}

std::int64_t ExcerptStage::framesNeeded(const SoundPart& settings, int rate, std::int64_t reach)
{
    const Span span = spanOf(settings, rate, kEndless, reach);
    return span.first + span.count;
}

ExcerptStage::ExcerptStage(SampleSource* source, std::int64_t totalFrames, const SoundPart& settings,
                           std::int64_t reach)
    : source(source)
{
    const ClipFormat& in = source->format;
    const Span span = spanOf(settings, in.sampleRate, totalFrames, reach);
    first = span.first;
    fadeInFrames = span.fadeIn;
    // The stages after this one count in 32 bits.
    const std::int64_t count = std::min<std::int64_t>(span.count, INT32_MAX);
    fadeOutFrames = std::min(span.fadeOut, count);
    format = ClipFormat::of16Bit(in.sampleRate, in.channels, static_cast<int>(count));
    bytesPerSample = 2;
    const double db = std::isnan(settings.gainDb) ? 0.0 : std::min(settings.gainDb, kMaxGainDb);
    gain = std::pow(10.0, db / 20.0);
    shaped = settings.gainDb != 0 || fadeInFrames > 0 || fadeOutFrames > 0;
}

ExcerptStage::~ExcerptStage() = default;

int ExcerptStage::prepare()
{
    if (first > 0 && source->seekFrame(first) < 0) {
        format = ClipFormat::of16Bit(format.sampleRate, format.channels, 0);
        ended = 0;
    }
    return 0;
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
    // Filled as far as the source goes: a short read is its end.
    const int got = source->fill(destination, count);
    if (got >= 0 && got < count)
        ended = delivered + got;
    if (got <= 0)
        return got;
    if (shaped) {
        const std::size_t channels = format.channels;
        // Between the fades every frame has the gain alone.
        const std::int64_t gainFrom = fadeInFrames;
        const std::int64_t gainTo = format.frameCount - fadeOutFrames;
        for (int f = 0; f < got;) {
            const std::int64_t at = delivered + f;
            std::int16_t* frame = destination + static_cast<std::size_t>(f) * channels;
            if (at >= gainFrom && at < gainTo) {
                const int run = static_cast<int>(std::min<std::int64_t>(got - f, gainTo - at));
                const std::size_t values = static_cast<std::size_t>(run) * channels;
                for (std::size_t i = 0; i < values; ++i)
                    frame[i] = shapedSample(frame[i] * gain);
                f += run;
                continue;
            }
            const double factor = factorAt(at);
            for (std::size_t c = 0; c < channels; ++c)
                frame[c] = shapedSample(frame[c] * factor);
            ++f;
        }
    }
    delivered += got;
    return got;
}

int ExcerptStage::readToTheEnd()
{
    std::vector<std::int16_t> scratch(static_cast<std::size_t>(kScratchFrames) * static_cast<std::size_t>(format.channels));
    while (!ended) {
        const int n = read(scratch.data(), kScratchFrames);
        if (n <= 0)
            return n;
    }
    return 0;
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
