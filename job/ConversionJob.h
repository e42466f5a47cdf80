#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "job/ConversionPlan.h"
#include "job/Refusal.h"
#include "job/SoundCheck.h"

namespace korvel {

class Platform;
class SoundInput;

// How one conversion ended.
struct ConversionOutcome {
    enum class Kind {
        written,  // the file is written; bytes is its size
        refused,  // refusal says why; nothing is written
        stopped,  // a stage could not go on; nothing is written
    };
    Kind kind = Kind::stopped;
    Refusal refusal = Refusal::none;
    std::size_t bytes = 0;
    // The sound was longer than a file holds, and only its start was kept.
    bool cut = false;
    // Written, but waiting in the plan's batch for its place: the batch's
    // commit decides.
    bool waiting = false;
    // The sound ended before the length its file states (a file cut short,
    // or one whose header is wrong): the seconds of sound it really held,
    // which is what was converted.
    std::optional<double> endedEarly = std::nullopt;
    // What the check found of the sound.
    SoundCheck sound;

    // The number of the refusal's message in the message list, or 0.
    int message() const { return messageNumber(refusal); }

    // A refusal, with what the check found of the sound.
    static ConversionOutcome refusedBy(Refusal why, const SoundCheck& sound = {});
};

// The core's two calls: what a sound is, and its conversion by a plan into
// a Tessal file. Neither shows anything: each face says the outcome in its
// own way. Running out of memory ends either as a refusal
// (Refusal::formatNotSupported), with everything the call held released.
class ConversionJob {
public:
    // Not owned; it outlives the job.
    explicit ConversionJob(Platform& platform);

    // Checks the sound as a conversion under the policy would, reading no
    // more than its header, and leaves it open with its check.
    SoundCheck inspect(SoundInput& input, ReadPolicy policy);
    // Converts the sound by the plan: checks it (unless inspect did, under
    // the same policy), refuses a plan that breaks a rule for it, decodes
    // only as far as the file can hold, and writes the file whole or not
    // at all.
    ConversionOutcome convert(SoundInput& input, const ConversionPlan& plan);

    // The size and play time of the file the plan would make of a sound
    // the check accepted, as far as the check knows the sound: a sound that
    // ends before its stated length makes a shorter one.
    struct ExpectedFile {
        std::size_t bytes = 0;
        double seconds = 0;
    };
    static ExpectedFile expected(const SoundCheck& sound, const ConversionPlan& plan);

    // Today's local date as eight digits "%Y%m%d" and a zero byte; returns
    // 8, or -1 when the buffer is missing, the size is negative, the time
    // cannot be had or the text does not fit.
    static int dateStamp(char* buffer, int size);

    // Where the Tessal file of a sound file goes: beside it, under its base
    // name with the extension ".mmf".
    static std::string outputPath(const std::string& path);

    // The size in kilobytes with two decimals, halves rounded upward:
    // 12345 bytes give "12.06KB", 128 give "0.13KB".
    static std::string sizeText(std::size_t bytes);
    // The success message of a written file of that size.
    static std::string successText(Platform& platform, std::size_t bytes);

private:
    SoundCheck check(SoundInput& input, ReadPolicy policy);
    ConversionOutcome convertChecked(SoundInput& input, const ConversionPlan& plan);
    ConversionOutcome place(const std::string& path, const ConversionPlan& plan, const std::vector<std::uint8_t>& output);

    Platform& platform;
};

}  // namespace korvel
