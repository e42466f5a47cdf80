#pragma once

#include <cstdint>
#include <memory>

#include "road/ExcerptStage.h"

namespace korvel {

class InputFile;
class Platform;

// Standard input as the sound file of a conversion. A regular file
// redirected to it is read as it is. A pipe's bytes are kept in a temporary
// file (Platform::createSpool), as far as the conversion can need them:
// - its first bytes are looked at before anything is kept: what no reader
//   knows (the zeros of /dev/zero, a text) is refused at once;
// - of a WAV or AIFF file whose header stands in those first bytes, only
//   the frames the part can reach are kept: none after them, and none
//   between the header and the part's start (they are read and dropped);
// - of any other kind, at most kMaxSpoolBytes;
// - never so much that the free space where they are kept falls under
//   kSpoolMargin.
class StandardInput {
public:
    enum class Result {
        ok,
        cannotRead,  // standard input failed, or no temporary file could be made or written
        notSound,    // its first bytes are of no kind that a reader knows
        tooLong,     // a pipe of more than kMaxSpoolBytes
        noRoom,      // the free space where it is kept would fall under the margin
    };

    // The first bytes looked at.
    static constexpr std::size_t kHeadBytes = 64 * 1024;
    // The most kept of a kind whose sound cannot be found in its bytes
    // before it is decoded: a compressed file of hours.
    static constexpr std::int64_t kMaxSpoolBytes = std::int64_t{2} << 30;
    // The free space left where the bytes are kept.
    static constexpr double kSpoolMargin = 64.0 * 1024 * 1024;

    // Opens standard input for a conversion of the part asked for.
    static Result open(Platform& platform, const SoundPart& part, std::unique_ptr<InputFile>& file);
};

}  // namespace korvel
