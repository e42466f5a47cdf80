#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/Refusal.h"
#include "road/SourceStage.h"

namespace korvel {

// What the core finds out about a sound before it converts it: why it is
// refused, or its facts and the choices a plan for it has.
struct SoundCheck {
    Refusal refusal = Refusal::none;

    SoundKind kind = SoundKind::other;
    int channels = 0;
    int sampleRate = 0;
    // Its length in seconds, where the file states it.
    std::optional<double> seconds;
    // The title a file gets when the plan has none: the title of the
    // file's own tags, else its base name.
    std::string defaultTitle;
    // The rates a file of it can have, lowest first, and the one taken
    // when the plan names none.
    std::vector<int> rates;
    int defaultRate = 0;
    // The longest part a file holds, in seconds.
    double longestPart = 0;
    // The most bytes of a title or a copyright, as stored (utf8ValueBytes).
    int textLimit = 0;

    bool accepted() const { return refusal == Refusal::none; }
};

}  // namespace korvel
