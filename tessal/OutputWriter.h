#pragma once

#include "tessal/ByteVector.h"

namespace korvel {

struct ClipFormat;
struct ContentInfo;

// A writer assembles one complete output file in memory around an encoded
// payload. One writer object serves one conversion.
class OutputWriter {
public:
    OutputWriter() = default;
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;
    virtual ~OutputWriter();

    // Appends the file to out (given empty). reserved is always 0. The writer
    // may shorten adpcm in place. Returns 0, or a negative result when the
    // clip cannot be written as a valid file; out is then left empty.
    virtual int build(int reserved, const ContentInfo& info, const ClipFormat& clip, ByteVector& adpcm,
                      ByteVector& out) = 0;
};

}  // namespace korvel
