#pragma once

#include <cstdint>
#include <optional>

#include "formats/SampleSource.h"

namespace korvel {

// The part of a sound that korvel-cli is asked for, and how it is shaped:
// times in seconds, the gain in decibels.
struct ExcerptSettings {
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
class ExcerptStage : public SampleSource {
public:
    // totalFrames: what the source holds (it may pass the 32-bit frameCount).
    ExcerptStage(SampleSource* source, std::int64_t totalFrames, const ExcerptSettings& settings);
    ~ExcerptStage() override;

    // 0 when the excerpt could be found, -1 when the source could not seek
    // there. An excerpt that starts at or after the end is empty.
    int prepare();

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;

private:
    double factorAt(std::int64_t frame) const;

    SampleSource* source;
    std::int64_t first = 0;
    std::int64_t fadeInFrames = 0;
    std::int64_t fadeOutFrames = 0;
    double gain = 1.0;
    bool shaped = false;
    std::int64_t delivered = 0;
};

}  // namespace korvel
