#pragma once

#include "road/StageResult.h"

namespace korvel {

// The results of the whole-clip operations (AudioClip): 0 or a count is
// success, a negative value a failure.
inline constexpr int kOk = 0;
inline constexpr int kFailed = -1;               // generic failure
inline constexpr int kPlayTimeTooShort = -993;   // 20 ms or less of sound
inline constexpr int kTooManyChannels = -994;    // more than two channels
inline constexpr int kUnsupportedWidth = -995;   // samples neither 8 nor 16 bits wide
inline constexpr int kUnsupportedRate = -996;    // outside 4000..48000 Hz
inline constexpr int kInputNotRecognised = -997; // not a file of the chosen kind
inline constexpr int kBadCall = -998;
inline constexpr int kOutputTooSmall = -999;
inline constexpr int kWriterNotCreated = -1000;

// The code of a stage's result.
constexpr int resultCode(StageResult result)
{
    switch (result) {
    case StageResult::ok:
        return kOk;
    case StageResult::playTimeTooShort:
        return kPlayTimeTooShort;
    case StageResult::tooManyChannels:
        return kTooManyChannels;
    case StageResult::unsupportedWidth:
        return kUnsupportedWidth;
    case StageResult::unsupportedRate:
        return kUnsupportedRate;
    case StageResult::notRecognised:
        return kInputNotRecognised;
    case StageResult::badCall:
        return kBadCall;
    case StageResult::failed:
        break;
    }
    return kFailed;
}

}  // namespace korvel
