#pragma once

#include <memory>

#include "formats/ClipFormat.h"
#include "formats/SampleSource.h"

namespace korvel {

class InputStream;

// The first stage of every conversion: the reader of the sound's kind over
// its file, and the answer of the format checks that decide whether the
// sound can be converted at all. The file must be at its start and outlive
// the stage.
class SourceStage {
public:
    SourceStage(bool isAiff, InputStream& file);
    ~SourceStage();

    // 0, or kInputNotRecognised, kUnsupportedRate, kUnsupportedWidth,
    // kTooManyChannels or kPlayTimeTooShort, tested in that order.
    int result() const { return checked; }
    SampleSource& reader() { return *source; }
    // The sound as the pipeline holds it: 16-bit samples at the input's rate.
    ClipFormat format() const;

private:
    std::unique_ptr<SampleSource> source;
    int checked;
};

}  // namespace korvel
