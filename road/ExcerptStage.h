#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

#include "formats/SampleSource.h"

namespace korvel {

// The part of a sound to convert, and how it is shaped:
// times in seconds, the gain in decibels.
struct SoundPart {
    double start = 0;
    std::optional<double> length;  // to the end when absent
    double fadeIn = 0;
    double fadeOut = 0;
    double gainDb = 0;

    // Nothing asked: the whole sound as it is.
    bool whole() const { return start == 0 && !length && fadeIn == 0 && fadeOut == 0 && gainDb == 0; }
};

// Delivers the excerpt of a source, every channel, with its gain and fades:
// it seeks to the first frame (so that nothing before it is decoded where
// the kind of file allows) and ends after the last. A fade-in starts at
// silence and rises in equal steps over its frames; a fade-out falls the
// same way to silence at the last frame. The gain and the fades multiply
// each sample in double precision, rounded to the nearest value (halves
// away from zero) and clamped to -32768..32767. The source is not owned.
//
// Times of any size are taken: a start past the end gives an empty
// excerpt, a length past the end runs to the end, a fade longer than the
// excerpt covers all of it.
class ExcerptStage : public SampleSource {
public:
    // totalFrames: what the source says it holds (it may pass the 32-bit
    // frameCount). reach: the most frames after the start that can be
    // heard downstream; an excerpt that runs on beyond them (and beyond its
    // fade-out after them) announces no more than it takes to be heard.
    ExcerptStage(SampleSource* source, std::int64_t totalFrames, const SoundPart& settings,
                 std::int64_t reach = INT64_MAX);
    ~ExcerptStage() override;

    // A sample times a factor, of a magnitude below 2^31, as the stages
    // deliver it: rounded to the nearest value, halves away from zero, and
    // clamped to -32768..32767. Truncated toward zero, then a step away from
    // zero where the rest, doubled and truncated (exactly), is 1 or -1: the
    // value std::round gives, in arithmetic a loop runs side by side.
    static std::int16_t shapedSample(double value)
    {
        const std::int32_t whole = static_cast<std::int32_t>(value);
        std::int32_t rounded = whole + static_cast<std::int32_t>((value - whole) * 2.0);
        rounded = rounded < -32768 ? -32768 : rounded;
        rounded = rounded > 32767 ? 32767 : rounded;
        return static_cast<std::int16_t>(rounded);
    }
    // The largest gain a stage applies, in decibels: a 16-bit sample times
    // it stays below 2^31.
    static constexpr double kMaxGainDb = 90.0;

    // The frames of a source, from its start, that such an excerpt of a
    // long enough sound reads at most.
    static std::int64_t framesNeeded(const SoundPart& settings, int rate, std::int64_t reach);

    // Seeks to the first frame. Where the source cannot go there, its sound
    // ends before it: the excerpt is empty. Returns 0.
    int prepare();

    // The frames the source really delivered, when it ended before the
    // excerpt's announced end (a file shorter than its header says);
    // nothing while it has not.
    std::optional<std::int64_t> endedEarly() const { return ended; }
    // Its fades depend on where it ends, which the frames delivered so far
    // have not shown.
    bool fadesNeedTheEnd() const { return !ended && (fadeOutFrames > 0 || fadeInFrames > delivered); }
    // Reads and drops the rest of the announced frames, so that an early
    // end shows. 0, or the source's failure.
    int readToTheEnd();
    // It ended early, and its fades were placed for the end it announced: a
    // stage told the true length shapes it otherwise.
    bool fadesMissedTheEnd() const { return ended && (fadeOutFrames > 0 || fadeInFrames > *ended); }
    // The first frame, in the source's frames.
    std::int64_t firstFrame() const { return first; }

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;

    // Where an excerpt starts, how many frames it announces and its fades'.
    struct Span {
        std::int64_t first = 0;
        std::int64_t count = 0;
        std::int64_t fadeIn = 0;
        std::int64_t fadeOut = 0;
    };
    static Span spanOf(const SoundPart& settings, int rate, std::int64_t totalFrames, std::int64_t reach);

private:
    double factorAt(std::int64_t frame) const;

    SampleSource* source;
    std::int64_t first = 0;
    std::int64_t fadeInFrames = 0;
    std::int64_t fadeOutFrames = 0;
    double gain = 1.0;
    bool shaped = false;
    std::int64_t delivered = 0;
    std::optional<std::int64_t> ended;
};

}  // namespace korvel
