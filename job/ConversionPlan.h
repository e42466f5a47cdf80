#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "road/ExcerptStage.h"

namespace korvel {

class WriteBatch;

// Which readers take a sound, and under which limits.
enum class ReadPolicy {
    // The desktop program's: its own WAV and AIFF readers and their
    // refusals, names ending in .wav or .aif, paths under 260 characters.
    desktop,
    // Every kind of sound the build reads (libsndfile where it has it),
    // while a file the desktop program converts gives the same bytes.
    everyReader,
};

// What a title or copyright longer than a file holds comes to.
enum class LongText {
    refuse,  // the plan is refused (Refusal::titleTooLong, copyrightTooLong)
    cut,     // cut at the last whole character that fits, as the desktop program does
};

// The one value of a conversion: everything that decides the Tessal file
// besides the sound. Every face fills one; the core checks it against the
// sound (SettingsRules::checkPlan) before anything is written.
struct ConversionPlan {
    ReadPolicy policy = ReadPolicy::desktop;
    // Where the Tessal file goes; empty: beside the sound file, under its
    // base name with ".mmf".
    std::string target;
    // Texts in the program's coding (TextCoding); without a title, the
    // sound's default title (SoundCheck::defaultTitle).
    std::optional<std::string> title;
    std::string copyright;
    LongText longTexts = LongText::refuse;
    // The rate of the file; without one, the sound's default rate.
    std::optional<int> rate;
    // ContentInfo::kNoSave and kNoTransfer (SettingsRules::permissions).
    std::uint8_t permissions = 0;
    // The part of the sound, its fades and its gain.
    SoundPart part;
    // The loudness to bring the part to, in LUFS as a handset plays it
    // (mono, at the file's rate); the gain that does it is added to the
    // part's, and kept so low that the true peak stays at -1 dBTP or below.
    std::optional<double> loudness;
    // The loudness a face brings a sound to when the user asks for it and
    // names none: loud on a handset's small speaker, while the true-peak
    // ceiling of -1 dBTP keeps most music from clipping.
    static constexpr double kStandardLoudness = -12.0;
    // The date of the contents information, eight digits "%Y%m%d"; empty:
    // today's, as the conversion begins.
    std::string date;
    // Where the file is written: in place at once (none), or into this
    // batch, to be put in place with the others (WriteBatch).
    WriteBatch* batch = nullptr;
};

}  // namespace korvel
