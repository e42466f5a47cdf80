#pragma once

namespace korvel {

// What the checks of a sound and the stages of its road come to. Only the
// job turns them into refusals (Refusal), and so into messages.
enum class StageResult {
    ok,
    failed,            // a stage could not go on (a reader met data it cannot read)
    playTimeTooShort,  // 20 ms or less of sound
    tooManyChannels,   // more than two channels
    unsupportedWidth,  // samples neither 8 nor 16 bits wide
    unsupportedRate,   // outside the rates a file can be made from
    notRecognised,     // not a file of the chosen kind
    badCall,           // a road built twice, or written before it was built
};

}  // namespace korvel
