#pragma once

namespace korvel {

// Results of the conversion stages: 0 or a count is success, a negative
// value a failure. Only the conversion job turns these into messages.
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

}  // namespace korvel
