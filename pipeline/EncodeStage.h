#pragma once

#include "tessal/ByteVector.h"

namespace korvel {

class SampleSource;

// Pulls the frames of a source of one or two channels a block at a time and
// encodes them to the 4-bit ADPCM payload of a Tessal file, the coder's
// state carried from block to block: the payload is the one the whole
// sound encoded at once would give.
class EncodeStage {
public:
    // Replaces payload with the code of the source's frameCount frames.
    // Frames the source does not deliver stay 0 in the payload. Returns 0,
    // or the source's failure, or -1 for a source of another width.
    static int run(SampleSource& source, ByteVector& payload);
};

}  // namespace korvel
