#include "cli/CommandLine.h"

#include <cmath>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <getopt.h>

#include "job/SettingsRules.h"
#include "tessal/TextCoding.h"

namespace korvel {

namespace {

// The kinds of sound file this build reads beyond WAV and AIFF.
#ifdef KORVEL_HAVE_SNDFILE
#define SOUND_KINDS_TEXT                                                                 \
    "them; other files, and those it refuses, are read by libsndfile: MP3, FLAC, Ogg\n" \
    "Vorbis, Opus, WAV and AIFF of every width and rate, RF64, W64, CAF and more.\n"
#else
#define SOUND_KINDS_TEXT "them; this build reads no other kinds of sound file.\n"
#endif

CommandLine refuse(std::string why)
{
    CommandLine line;
    line.action = CommandLine::Action::usageError;
    line.error = std::move(why);
    return line;
}

}  // namespace

const char* usageText()
{
    return "usage: korvel-cli convert [--title TEXT] [--copyright TEXT] [--rate 4000|8000]\n"
           "                          [--no-save] [--no-transfer] [-o OUT.mmf | --output-dir DIR]\n"
           "                          [--start TIME] [--length TIME] [--fade-in TIME] [--fade-out TIME]\n"
           "                          [--gain DB | --normalize[=LUFS]] [--strict] [-q] FILE...\n"
           "       korvel-cli info [--json] FILE.mmf...\n"
           "       korvel-cli decode [-o OUT.wav|-] [-q] FILE.mmf\n"
           "       korvel-cli -h | --help | --version\n"
           "\n"
           "Converts each sound FILE into a Tessal file (.mmf), by default beside it under its\n"
           "base name. WAV (.wav) and AIFF (.aif) files are read as the desktop program reads\n"
           SOUND_KINDS_TEXT
           "  --title TEXT      title of the file, at most 256 bytes (default: the title in the\n"
           "                    tags of a file libsndfile reads, else the base name)\n"
           "  --copyright TEXT  copyright text (default: none), at most 256 bytes\n"
           "  --rate 4000|8000  rate of the file (default: 8000, or 4000 below 8000 Hz input)\n"
           "  --no-save         a handset may neither save nor pass the file on\n"
           "  --no-transfer     a handset may save the file but not pass it on\n"
           "  -o, --output OUT.mmf  the Tessal file of the one FILE; FILE - reads standard input\n"
           "  --output-dir DIR  put the Tessal files into DIR\n"
           "  --start TIME      convert from TIME on (seconds, or m:ss, m:ss.fff)\n"
           "  --length TIME     convert this long (at most 66.04 s fit into a file)\n"
           "  --fade-in TIME    rise from silence over TIME\n"
           "  --fade-out TIME   fall to silence over the last TIME\n"
           "  --gain DB         change the level by DB decibels\n"
           "  --normalize[=LUFS]  bring the loudness to LUFS as a handset plays it (default -12),\n"
           "                    the true peak at -1 dBTP at most\n"
           "  --strict          read, refuse and write exactly as the desktop program does\n"
           "  -q, --quiet       no line for each file written\n"
           "Options may stand anywhere before \"--\"; a long one takes its value as the next\n"
           "argument or after \"=\". With several FILEs each line names the file written, and a\n"
           "last line on standard error counts them.\n"
           "Exit status: 0 written, 1 refused, 2 usage error, 3 stopped without a file.\n"
           "\n"
           "info shows what a Tessal file holds and checks it (exit 1 names the first fault);\n"
           "decode writes its sound as a 16-bit WAV file, by default beside it (-o - writes it\n"
           "to standard output).\n";
}

std::optional<double> parseTime(const std::string& text)
{
    // Digits with at most one point, nothing else.
    const auto number = [](const std::string& part) -> std::optional<double> {
        if (part.empty() || part.find_first_not_of("0123456789.") != std::string::npos ||
            part.find('.') != part.rfind('.') || part == ".")
            return std::nullopt;
        return std::strtod(part.c_str(), nullptr);
    };
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
        return number(text);
    const std::string minutes = text.substr(0, colon);
    const std::string seconds = text.substr(colon + 1);
    if (minutes.empty() || minutes.find_first_not_of("0123456789") != std::string::npos || seconds.size() < 2 ||
        !std::isdigit(static_cast<unsigned char>(seconds[0])) || !std::isdigit(static_cast<unsigned char>(seconds[1])) ||
        (seconds.size() > 2 && seconds[2] != '.'))
        return std::nullopt;
    const std::optional<double> s = number(seconds);
    if (!s || *s >= 60)
        return std::nullopt;
    return std::strtod(minutes.c_str(), nullptr) * 60 + *s;
}

namespace {

// The values getopt_long gives the options without a letter.
enum LongOption : int {
    kTitle = 256,
    kCopyright,
    kRate,
    kNoSave,
    kNoTransfer,
    kOutputDir,
    kStart,
    kLength,
    kFadeIn,
    kFadeOut,
    kGain,
    kNormalize,
    kStrict,
    kJson,
    kVersion,
};

const option kConvertOptions[] = {
    {"title", required_argument, nullptr, kTitle},
    {"copyright", required_argument, nullptr, kCopyright},
    {"rate", required_argument, nullptr, kRate},
    {"no-save", no_argument, nullptr, kNoSave},
    {"no-transfer", no_argument, nullptr, kNoTransfer},
    {"output", required_argument, nullptr, 'o'},
    {"output-dir", required_argument, nullptr, kOutputDir},
    {"start", required_argument, nullptr, kStart},
    {"length", required_argument, nullptr, kLength},
    {"fade-in", required_argument, nullptr, kFadeIn},
    {"fade-out", required_argument, nullptr, kFadeOut},
    {"gain", required_argument, nullptr, kGain},
    {"normalize", optional_argument, nullptr, kNormalize},
    {"strict", no_argument, nullptr, kStrict},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

const option kInfoOptions[] = {
    {"json", no_argument, nullptr, kJson},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

const option kDecodeOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// The option as the user wrote it, for a message: "--name" without a
// value, or "-x".
std::string spelled(const char* argument, int letter)
{
    const std::string text = argument != nullptr ? argument : "";
    if (text.rfind("--", 0) == 0)
        return text.substr(0, text.find('='));
    return std::string("-") + static_cast<char>(letter);
}

// Reads the options after the subcommand with getopt_long, in any order
// among the operands (until "--"), handing each to take, which answers with
// a reason to refuse or nothing. The operands go to `operands`. The reason
// the line is refused, or an empty string.
template <typename Take>
std::string scan(const std::vector<std::string>& arguments, const char* letters, const option* options, Take take,
                 std::vector<std::string>& operands)
{
    std::vector<std::string> copies(arguments.begin(), arguments.end());
    copies.front() = "korvel-cli";
    std::vector<char*> argv;
    for (std::string& copy : copies)
        argv.push_back(copy.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(copies.size());
    // A fresh scan each time; no messages of getopt's own; ':' first tells a
    // missing value from an unknown option.
    optind = 0;
    opterr = 0;
    const std::string optionLetters = std::string(":") + letters;
    for (;;) {
        const int c = getopt_long(argc, argv.data(), optionLetters.c_str(), options, nullptr);
        if (c == -1)
            break;
        const char* current = optind > 0 && optind <= argc ? argv[static_cast<std::size_t>(optind) - 1] : nullptr;
        if (c == ':' || c == '?') {
            // A known long option with "=VALUE" that takes none is '?' to
            // glibc and ':' to MinGW-w64.
            const std::string name = spelled(current, optopt);
            const bool valueGiven = name.rfind("--", 0) == 0 && std::string(current).find('=') != std::string::npos;
            if (optopt != 0 && valueGiven)
                return name + " takes no value";
            return c == ':' ? name + " needs a value" : "unknown option: " + name;
        }
        std::string refused = take(c, optarg != nullptr ? std::string(optarg) : std::string(), optarg != nullptr);
        if (!refused.empty())
            return refused;
    }
    for (int i = optind; i < argc; ++i)
        operands.push_back(argv[static_cast<std::size_t>(i)]);
    return {};
}

// The line when the reading ended early: help or version where they were
// asked for, wherever they stood, else the reason it was refused.
CommandLine ended(const std::optional<CommandLine::Action>& asked, const std::string& refused)
{
    if (!asked)
        return refuse(refused);
    CommandLine line;
    line.action = *asked;
    return line;
}

// A number with nothing after it.
std::optional<double> number(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Help or version, where the option asks for one of them.
std::optional<CommandLine::Action> askedFor(int c)
{
    if (c == 'h')
        return CommandLine::Action::help;
    if (c == kVersion)
        return CommandLine::Action::version;
    return std::nullopt;
}

// The flags that together give the permissions.
struct ConvertFlags {
    bool noSave = false;      // neither saving nor transfer allowed
    bool noTransfer = false;
};

// Reads one of the part's times.
std::string takeTime(SoundPart& part, int c, const std::string& value)
{
    static const char* const names[] = {"--start", "--length", "--fade-in", "--fade-out"};
    const std::optional<double> seconds = parseTime(value);
    if (!seconds)
        return std::string(names[c - kStart]) + " needs a time: seconds (12.5) or m:ss (1:05.25)";
    if (c == kStart)
        part.start = *seconds;
    else if (c == kLength)
        part.length = *seconds;
    else if (c == kFadeIn)
        part.fadeIn = *seconds;
    else
        part.fadeOut = *seconds;
    return {};
}

// Reads one of convert's options into the options; the reason to refuse
// it, or an empty string. Help and version are left to the caller.
std::string takeConvertOption(ConvertOptions& o, int c, const std::string& value, bool hasValue,
                              ConvertFlags& flags)
{
    ConversionPlan& plan = o.plan;
    switch (c) {
    case kTitle:
    case kCopyright:
        // As the file holds it: a text longer would be cut. One the locale
        // cannot read is refused later, by name.
        if (!SettingsRules::textFits(value, nativeTextCoding()))
            return std::string(c == kTitle ? "--title" : "--copyright") + " is longer than the " +
                   std::to_string(SettingsRules::textLimit()) +
                   " bytes a file holds (in UTF-8; a character above U+FFFF takes 6)";
        (c == kTitle ? plan.title.emplace() : plan.copyright) = value;
        return {};
    case kRate:
        if (value != std::to_string(SettingsRules::kLowRate) && value != std::to_string(SettingsRules::kHighRate))
            return "--rate must be " + std::to_string(SettingsRules::kLowRate) + " or " +
                   std::to_string(SettingsRules::kHighRate);
        plan.rate = std::stoi(value);
        return {};
    case kStart:
    case kLength:
    case kFadeIn:
    case kFadeOut:
        return takeTime(plan.part, c, value);
    case kGain: {
        const std::optional<double> db = number(value);
        if (!db || std::fabs(*db) > 60)
            return "--gain needs decibels between -60 and 60";
        plan.part.gainDb = *db;
        return {};
    }
    case kNormalize: {
        plan.loudness = ConversionPlan::kStandardLoudness;
        if (!hasValue)
            return {};
        const std::optional<double> lufs = number(value);
        if (!lufs || !(*lufs >= -40 && *lufs <= -5))
            return "--normalize needs a loudness between -40 and -5 LUFS";
        plan.loudness = *lufs;
        return {};
    }
    case 'o':
    case kOutputDir:
        // An empty name (an unset shell variable, say) names nothing: it
        // must not fall back to the default target.
        if (value.empty())
            return std::string(c == 'o' ? "-o" : "--output-dir") + " needs a name, not an empty one";
        (c == 'o' ? o.output : o.outputDirectory) = value;
        return {};
    case kStrict:
        plan.policy = ReadPolicy::desktop;
        return {};
    case kNoSave:
        flags.noSave = true;
        return {};
    case kNoTransfer:
        flags.noTransfer = true;
        return {};
    case 'q':
        o.quiet = true;
        return {};
    default:
        return {};
    }
}

// Why the options of convert cannot go together, or an empty string.
std::string conflictOf(const ConvertOptions& o)
{
    if (o.files.empty())
        return "no FILE given";
    const bool standardInput = std::find(o.files.begin(), o.files.end(), "-") != o.files.end();
    if (standardInput && (o.output.empty() || o.strict()))
        return o.strict() ? "--strict reads files only, not standard input" : "reading standard input (-) needs -o";
    if (!o.output.empty() && o.files.size() != 1)
        return "-o names the output of one FILE; use --output-dir for several";
    if (!o.output.empty() && !o.outputDirectory.empty())
        return "-o and --output-dir exclude each other";
    const SoundPart& part = o.plan.part;
    if (o.plan.loudness && part.gainDb != 0)
        return "--normalize and --gain exclude each other";
    if (part.length && *part.length <= 0)
        return "--length must be more than 0";
    if (o.strict() && (!o.output.empty() || !o.outputDirectory.empty() || !part.whole() || o.plan.loudness))
        return "--strict takes only the desktop program's settings";
    return {};
}

// Reads info's or decode's options.
CommandLine parseInspect(const std::vector<std::string>& arguments, bool info)
{
    CommandLine line;
    std::optional<CommandLine::Action> asked;
    InspectOptions& o = line.inspect;
    const std::string refused = scan(
        arguments, info ? "h" : "o:qh", info ? kInfoOptions : kDecodeOptions,
        [&](int c, const std::string& value, bool) {
            if (c == kJson)
                o.json = true;
            else if (c == 'o' && value.empty())
                return std::string("-o needs a name, not an empty one");
            else if (c == 'o')
                o.output = value;
            else if (c == 'q')
                o.quiet = true;
            asked = askedFor(c).has_value() ? askedFor(c) : asked;
            return std::string();
        },
        o.files);
    if (asked || !refused.empty())
        return ended(asked, refused);
    if (o.files.empty() || (!info && o.files.size() != 1))
        return refuse(info ? "no FILE given" : "decode takes one FILE");
    line.action = info ? CommandLine::Action::info : CommandLine::Action::decode;
    return line;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    if (arguments.empty())
        return refuse("no command given");
    const std::string& command = arguments[0];
    if (command == "--help" || command == "-h" || command == "--version") {
        line.action = command == "--version" ? CommandLine::Action::version : CommandLine::Action::help;
        return line;
    }
    if (!command.empty() && command[0] == '-')
        return refuse("unknown option: " + command);
    if (command == "info" || command == "decode")
        return parseInspect(arguments, command == "info");
    if (command != "convert")
        return refuse("unknown command: " + command);

    // Help and version end the reading wherever an option may stand.
    std::optional<CommandLine::Action> asked;
    ConvertOptions& o = line.options;
    o.plan.policy = ReadPolicy::everyReader;
    ConvertFlags flags;
    const std::string refused = scan(
        arguments, "o:qh", kConvertOptions,
        [&](int c, const std::string& value, bool hasValue) {
            asked = askedFor(c).has_value() ? askedFor(c) : asked;
            return takeConvertOption(o, c, value, hasValue, flags);
        },
        o.files);
    if (asked || !refused.empty())
        return ended(asked, refused);
    o.plan.permissions = SettingsRules::permissions(!flags.noSave, !flags.noTransfer);
    if (const std::string conflict = conflictOf(o); !conflict.empty())
        return refuse(conflict);
    line.action = CommandLine::Action::convert;
    return line;
}

}  // namespace korvel
