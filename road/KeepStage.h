#pragma once

#include <cstdint>

#include "formats/SampleSource.h"

namespace korvel {

// Passes on the first frames of a mono source that a handset audio file
// keeps (at most 66.04 s, AtrWriter::framesKept), and silence where the
// source ends before them. This is the one place where a conversion cuts a
// long sound; nothing before it works on frames that would be cut.
class KeepStage : public SampleSource {
public:
    // The source is not owned.
    explicit KeepStage(SampleSource* upstream);
    ~KeepStage() override;

    // The source is longer than what is kept.
    bool cutsSound() const { return format.frameCount < upstream->format.frameCount; }

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;

private:
    SampleSource* upstream;
    int delivered = 0;
    bool upstreamEnded = false;
};

}  // namespace korvel
