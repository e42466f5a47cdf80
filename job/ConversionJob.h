#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "road/ExcerptStage.h"

namespace korvel {

class ConversionHost;
class InputFile;
class Platform;
class WriteBatch;

// How one conversion ended.
struct ConversionOutcome {
    enum class Kind {
        written,    // the file is written; bytes is its size
        refused,    // message is the number of the message shown
        cancelled,  // the settings were not accepted; nothing shown
        stopped,    // a stage could not go on; nothing shown
    };
    Kind kind = Kind::stopped;
    int message = 0;
    std::size_t bytes = 0;
    // The sound was longer than a file holds, and only its start was kept.
    bool cut = false;

    // Written, but waiting in the request's batch for its place: no message
    // was shown; the batch's commit decides (ConversionJob::successText).
    bool waiting = false;
    // The sound ended before the length its file states (a file cut short,
    // or one whose header is wrong): the seconds of sound it really held,
    // which is what was converted.
    std::optional<double> endedEarly = std::nullopt;
};

// What korvel-cli asks of a conversion beyond what a drop on the desktop
// program asks.
struct ConversionRequest {
    // Where the Tessal file goes; empty: beside the sound file.
    std::string target;
    // The desktop program's rules: its WAV and AIFF readers and their
    // refusals, and its limit on the path's length. Without them, every
    // kind of sound that libsndfile reads is taken as well (where the build
    // has it), while a file that the desktop program converts still gives
    // the same bytes.
    bool strict = true;
    // The part of the sound to convert, and its gain and fades.
    ExcerptSettings excerpt;
    // The loudness to bring the part to, in LUFS as a handset plays it (mono,
    // at the file's rate); the gain that does it is added to the excerpt's,
    // and kept so low that the true peak stays at -1 dBTP or below.
    std::optional<double> loudness;
    // The sound already opened (standard input): the path only names it,
    // and baseName stands in for its base name as the default title.
    InputFile* input = nullptr;
    std::string baseName;
    // Where the file is written: in place at once (none), or into this
    // batch, to be put in place with the others (WriteBatch).
    WriteBatch* batch = nullptr;
};

// Turns one dropped sound file into a Tessal file beside it, from the path
// to the final message, reaching the user interface only through the host.
// It is the only place where results of the stages become messages.
class ConversionJob {
public:
    // Neither is owned; both outlive the job.
    ConversionJob(ConversionHost& host, Platform& platform);

    // Converts one file. The outcome reaches the user through the host: a
    // message of the error kind for a refusal, of the success kind with the
    // size for a written file, nothing when the settings were cancelled or a
    // stage failed. Drop acceptance is always back on afterwards. The same
    // outcome is returned, for callers that are not a window.
    ConversionOutcome convertFile(const std::string& path);
    // The same, as asked.
    ConversionOutcome convertFile(const std::string& path, const ConversionRequest& request);

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
    ConversionHost& host;
    Platform& platform;
};

}  // namespace korvel
