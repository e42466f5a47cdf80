#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvel {

// What "korvel-cli convert" was asked to do.
// The loudness --normalize brings a sound to when it names none: loud on a
// handset's small speaker, while the true-peak ceiling of -1 dBTP keeps
// most music from clipping.
inline constexpr double kDefaultLoudness = -12.0;

struct ConvertOptions {
    std::optional<std::string> title;  // the base name when absent
    std::string copyright;
    std::optional<int> rate;           // 8000 from 8000 Hz up, else 4000, when absent
    bool noSave = false;               // neither saving nor transfer allowed
    bool noTransfer = false;
    std::string output;                // -o: the Tessal file of the one FILE
    std::string outputDirectory;       // --output-dir: where the Tessal files go
    bool strict = false;               // exactly what the desktop program reads, refuses and writes
    double start = 0;                  // --start, seconds
    std::optional<double> length;      // --length, seconds
    double fadeIn = 0;                 // --fade-in, seconds
    double fadeOut = 0;                // --fade-out, seconds
    double gainDb = 0;                 // --gain, decibels
    std::optional<double> loudness;    // --normalize, LUFS
    bool quiet = false;                // -q: no success lines
    std::vector<std::string> files;
};

// What "korvel-cli info" and "korvel-cli decode" were asked to do.
struct InspectOptions {
    bool json = false;
    bool quiet = false;  // decode -q: no summary line
    std::string output;  // decode: the WAV file ("-": standard output); the input's base name with ".wav" when empty
    std::vector<std::string> files;
};

struct CommandLine {
    enum class Action { convert, info, decode, help, version, usageError };
    Action action = Action::usageError;
    ConvertOptions options;
    InspectOptions inspect;
    // Why the command line was refused.
    std::string error;
};

// Reads a time: seconds ("12.5") or minutes and seconds ("1:05", "1:05.250").
std::optional<double> parseTime(const std::string& text);

// Reads the arguments after the program name: a command, then its options
// (GNU style: anywhere among the files until "--", long ones as "--name
// VALUE" or "--name=VALUE", abbreviated where that is unambiguous).
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The usage text, ending with a newline.
const char* usageText();

}  // namespace korvel
