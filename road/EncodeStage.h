#pragma once

#include "tessal/ByteVector.h"

namespace korvel {

class SampleSource;

// Pulls the frames of a source of one or two channels a block at a time and
// encodes them to the 4-bit ADPCM payload of a Tessal file, the coder's
// state carried from block to block: the payload is the one the whole
// sound encoded at once would give.
//
// The coder runs on a thread of its own one block behind the pulls: while
// it codes a block, the stages before it (the resampler above all) already
// compute the next one. The coder is one chain from sample to sample, so
// this is the only way its time overlaps with theirs.
class EncodeStage {
public:
    // Appends to out the code of the source's frameCount frames. Frames the
    // source does not deliver are coded as 0 bytes. Returns 0, or the
    // source's failure (out then holds what it held before), or -1 for a
    // source of another width.
    static int run(SampleSource& source, ByteVector& out);
};

}  // namespace korvel
