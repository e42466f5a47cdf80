#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job/ConversionPlan.h"

namespace korvel {

// What "korvel-cli convert" was asked to do.
struct ConvertOptions {
    // Each file's conversion: the texts (no title: the file's default), the
    // rate (none: the sound's default), the permissions, the part, its gain
    // or loudness, and the readers (--strict: exactly what the desktop
    // program reads, refuses and writes). Each file's target is set as it
    // is converted.
    ConversionPlan plan;
    std::string output;                // -o: the Tessal file of the one FILE
    std::string outputDirectory;       // --output-dir: where the Tessal files go
    bool quiet = false;                // -q: no success lines
    std::vector<std::string> files;

    bool strict() const { return plan.policy == ReadPolicy::desktop; }
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
