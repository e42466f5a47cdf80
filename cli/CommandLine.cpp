#include "cli/CommandLine.h"

#include <cmath>
#include <algorithm>
#include <cctype>
#include <cstdlib>

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

// The settings dialog's edit boxes hold at most this many bytes.
constexpr std::size_t kMaxTextBytes = 256;

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
           "                          [--gain DB | --normalize[=LUFS]] [--strict] FILE...\n"
           "       korvel-cli info [--json] FILE.mmf...\n"
           "       korvel-cli decode FILE.mmf [-o OUT.wav]\n"
           "       korvel-cli --help | --version\n"
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
           "Exit status: 0 written, 1 refused, 2 usage error, 3 stopped without a file.\n"
           "\n"
           "info shows what a Tessal file holds and checks it (exit 1 names the first fault);\n"
           "decode writes its sound as a 16-bit WAV file, by default beside it.\n";
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

CommandLine parseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    if (arguments.empty())
        return refuse("no command given");
    for (const std::string& a : arguments) {
        if (a == "--")
            break;
        if (a == "--help" || a == "-h") {
            line.action = CommandLine::Action::help;
            return line;
        }
        if (a == "--version") {
            line.action = CommandLine::Action::version;
            return line;
        }
    }
    if (arguments[0] == "info" || arguments[0] == "decode") {
        const bool info = arguments[0] == "info";
        InspectOptions& o = line.inspect;
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            const std::string& a = arguments[i];
            if (info && a == "--json") {
                o.json = true;
            } else if (!info && (a == "-o" || a == "--output")) {
                if (i + 1 >= arguments.size())
                    return refuse(a + " needs a value");
                o.output = arguments[++i];
            } else if (!a.empty() && a[0] == '-' && a != "-") {
                return refuse("unknown option: " + a);
            } else {
                o.files.push_back(a);
            }
        }
        if (o.files.empty() || (!info && o.files.size() != 1))
            return refuse(info ? "no FILE given" : "decode takes one FILE");
        line.action = info ? CommandLine::Action::info : CommandLine::Action::decode;
        return line;
    }
    if (arguments[0] != "convert")
        return refuse("unknown command: " + arguments[0]);

    ConvertOptions& o = line.options;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            o.files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" and "--name value" both work for the options with a value.
        std::string name = a;
        std::optional<std::string> value;
        const std::size_t equals = a.find('=');
        if (equals != std::string::npos) {
            name = a.substr(0, equals);
            value = a.substr(equals + 1);
        }
        const bool isTime = name == "--start" || name == "--length" || name == "--fade-in" || name == "--fade-out";
        const bool takesValue = name == "--title" || name == "--copyright" || name == "--rate" || name == "-o" ||
                                name == "--output" || name == "--output-dir" || name == "--gain" || isTime;
        if (takesValue && !value) {
            if (i + 1 >= arguments.size())
                return refuse(name + " needs a value");
            value = arguments[++i];
        }
        if (!takesValue && value && name != "--normalize")
            return refuse(name + " takes no value");
        if (name == "--title" || name == "--copyright") {
            if (value->size() > kMaxTextBytes)
                return refuse(name + " is longer than 256 bytes");
            if (name == "--title")
                o.title = *value;
            else
                o.copyright = *value;
        } else if (name == "--rate") {
            if (*value != "4000" && *value != "8000")
                return refuse("--rate must be 4000 or 8000");
            o.rate = std::stoi(*value);
        } else if (isTime) {
            const std::optional<double> seconds = parseTime(*value);
            if (!seconds)
                return refuse(name + " needs a time: seconds (12.5) or m:ss (1:05.25)");
            if (name == "--start")
                o.start = *seconds;
            else if (name == "--length")
                o.length = *seconds;
            else if (name == "--fade-in")
                o.fadeIn = *seconds;
            else
                o.fadeOut = *seconds;
        } else if (name == "--gain") {
            char* end = nullptr;
            const double db = std::strtod(value->c_str(), &end);
            if (value->empty() || *end != '\0' || !std::isfinite(db) || std::fabs(db) > 60)
                return refuse("--gain needs decibels between -60 and 60");
            o.gainDb = db;
        } else if (name == "--normalize") {
            o.loudness = kDefaultLoudness;
            if (value) {
                char* end = nullptr;
                const double lufs = std::strtod(value->c_str(), &end);
                if (value->empty() || *end != '\0' || !(lufs >= -40 && lufs <= -5))
                    return refuse("--normalize needs a loudness between -40 and -5 LUFS");
                o.loudness = lufs;
            }
        } else if (name == "-o" || name == "--output") {
            o.output = *value;
        } else if (name == "--output-dir") {
            o.outputDirectory = *value;
        } else if (name == "--strict") {
            o.strict = true;
        } else if (name == "--no-save") {
            o.noSave = true;
        } else if (name == "--no-transfer") {
            o.noTransfer = true;
        } else {
            return refuse("unknown option: " + name);
        }
    }
    if (o.files.empty())
        return refuse("no FILE given");
    const bool standardInput = std::find(o.files.begin(), o.files.end(), "-") != o.files.end();
    if (standardInput && (o.output.empty() || o.strict))
        return refuse(o.strict ? "--strict reads files only, not standard input" : "reading standard input (-) needs -o");
    if (!o.output.empty() && o.files.size() != 1)
        return refuse("-o names the output of one FILE; use --output-dir for several");
    if (!o.output.empty() && !o.outputDirectory.empty())
        return refuse("-o and --output-dir exclude each other");
    const bool shaped = o.start != 0 || o.length || o.fadeIn != 0 || o.fadeOut != 0 || o.gainDb != 0 || o.loudness;
    if (o.loudness && o.gainDb != 0)
        return refuse("--normalize and --gain exclude each other");
    if (o.length && *o.length <= 0)
        return refuse("--length must be more than 0");
    if (o.strict && (!o.output.empty() || !o.outputDirectory.empty() || shaped))
        return refuse("--strict takes only the desktop program's settings");
    line.action = CommandLine::Action::convert;
    return line;
}

}  // namespace korvel
