#pragma once

namespace korvel {

// Why the core refuses to convert a sound, or a plan for it. The first
// group are the sound's faults, each with its message in the message list;
// the second are faults of the plan, which the desktop program's dialog
// cannot make: they have no message there, and each face says them in its
// own words (messageNumber gives 0).
enum class Refusal {
    none,
    // The sound, or where the file goes.
    pathTooLong,
    badExtension,
    cannotOpen,
    formatNotSupported,
    rateNotSupported,
    widthNotSupported,
    channelsNotSupported,
    playTimeTooShort,
    diskSpace,
    cannotSave,
    // The plan.
    rateNotAllowed,    // 8000 Hz asked of a sound under 8000 Hz, or a rate no file has
    titleTooLong,      // longer than a file holds (SoundCheck::textLimit)
    copyrightTooLong,
    titleUnreadable,   // no title given, and the base name is no text of the program's coding
    partNotANumber,    // a time or gain of the part that is not a number, or a negative time
    dateNotADate,      // a date that is not eight digits
};

// The number of the refusal's message in the message list; 0 for none and
// for the faults of a plan.
int messageNumber(Refusal refusal);

}  // namespace korvel
