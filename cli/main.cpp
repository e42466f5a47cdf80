// korvel-cli: converts sound files into Tessal files from a terminal,
// through the same conversion job as the desktop program.

#ifdef _WIN32
#include <windows.h>

#include "system/WideText.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/ConsoleText.h"
#include "cli/InfoReport.h"
#include "cli/StandardOutput.h"
#include "cli/TerminalHost.h"
#include "job/ConversionJob.h"
#include "system/Messages.h"
#include "system/Platform.h"
#include "job/StandardInput.h"
#include "formats/WavFormat.h"
#include "road/DecodeRoad.h"
#include "system/WriteBatch.h"
#include "tessal/TextCoding.h"
#include "tessal/TessalReader.h"

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "0"
#endif

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStopped = 3;

// What follows the one line of a usage error.
constexpr const char* kTryHelp = "Try 'korvel-cli --help'.\n";

// The exit status of a conversion. The terminal host cancels only when
// the command line cannot be applied to the file: a usage error.
int exitCode(const korvel::ConversionOutcome& outcome)
{
    switch (outcome.kind) {
    case korvel::ConversionOutcome::Kind::written:
        return kExitWritten;
    case korvel::ConversionOutcome::Kind::refused:
        return kExitRefused;
    case korvel::ConversionOutcome::Kind::cancelled:
        return kExitUsage;
    case korvel::ConversionOutcome::Kind::stopped:
        break;
    }
    return kExitStopped;
}

// Names are the system's bytes on POSIX systems and UTF-8 on Windows, where
// the paths of the standard library would take a narrow name in the ANSI
// code page.
std::filesystem::path pathOf(const std::string& name)
{
#ifdef _WIN32
    return std::filesystem::path(korvel::widen(name));
#else
    return std::filesystem::path(name);
#endif
}

std::string nameOf(const std::filesystem::path& path)
{
#ifdef _WIN32
    return korvel::narrow(path.native());
#else
    return path.native();
#endif
}

enum class Stream { input, output };

// True when the path leads to what standard input or output is (a file
// redirected to it, a link such as /dev/stdout, the terminal or pipe it is).
bool namesStandardStream(const std::string& path, Stream stream)
{
#ifdef _WIN32
    HANDLE named = CreateFileW(korvel::widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    const bool same = GetFileInformationByHandle(named, &a) &&
                      GetFileInformationByHandle(GetStdHandle(stream == Stream::input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE), &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                      a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(named);
    return same;
#else
    struct stat named {}, open {};
    return ::stat(path.c_str(), &named) == 0 &&
           ::fstat(stream == Stream::input ? STDIN_FILENO : STDOUT_FILENO, &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
#endif
}

// Why a file could not be opened for reading.
const char* openProblem(int result)
{
    return result == korvel::Platform::kFileCannotOpen ? "cannot be opened" : "cannot be read: not a regular file";
}

// Prints what each file holds; 0 when every file is sound, else 1.
int info(const korvel::InspectOptions& options)
{
    int status = kExitWritten;
    for (const std::string& name : options.files) {
        std::unique_ptr<korvel::InputFile> input;
        const int opened = korvel::nativePlatform().openFile(name, input);
        if (opened != korvel::Platform::kFileOk) {
            korvel::printText(stderr, "korvel-cli: %s: %s\n", name.c_str(), openProblem(opened));
            status = kExitRefused;
            continue;
        }
        const korvel::TessalFile file = korvel::readTessal(*input);
        const std::string report = options.json ? korvel::infoJson(name, file) + "\n" : korvel::infoText(name, file);
        korvel::writeText(stdout, report);
        if (!file.sound()) {
            const korvel::TessalFault& first = file.faults.front();
            korvel::printText(stderr, "korvel-cli: %s: offset %zu: %s\n", name.c_str(), first.offset, first.text.c_str());
            status = kExitRefused;
        }
    }
    return status;
}

// Writes the sound of a file as a WAV file, never over the file itself; "-"
// as the output writes it to standard output.
int decode(const korvel::InspectOptions& options)
{
    namespace fs = std::filesystem;
    korvel::Platform& platform = korvel::nativePlatform();
    const std::string& name = options.files.front();
    std::unique_ptr<korvel::InputFile> input;
    const int opened = platform.openFile(name, input);
    if (opened != korvel::Platform::kFileOk) {
        korvel::printText(stderr, "korvel-cli: %s: %s\n", name.c_str(), openProblem(opened));
        return kExitRefused;
    }
    const korvel::TessalFile layout = korvel::readTessalLayout(*input);
    // Every ADPCM byte gives two 16-bit samples.
    const std::uint64_t dataBytes = 4 * static_cast<std::uint64_t>(layout.adpcmLength);
    if (layout.hasAudio() && dataBytes > korvel::wav::kMaxDataBytes) {
        korvel::printText(stderr, "korvel-cli: %s: %llu bytes of samples are more than a WAV file can hold (4 GiB)\n",
                          name.c_str(), static_cast<unsigned long long>(dataBytes));
        return kExitRefused;
    }
    const korvel::TessalFile file = korvel::readTessal(*input);
    if (!file.hasAudio()) {
        korvel::printText(stderr, "korvel-cli: %s: no sound to decode%s%s\n", name.c_str(), file.sound() ? "" : ": ",
                          file.sound() ? "" : file.faults.front().text.c_str());
        return kExitRefused;
    }
    const std::uint64_t frames = 2 * static_cast<std::uint64_t>(file.adpcmLength) / static_cast<std::uint64_t>(file.channels);

    const std::string output = options.output.empty() ? nameOf(pathOf(name).replace_extension(".wav")) : options.output;
    std::error_code error;
    // "-", or a name for it such as /dev/stdout: the summary then goes to
    // standard error, not into the WAV file.
    const bool toStandardOutput = output == "-" || namesStandardStream(output, Stream::output);
    // The sound file the Tessal file was made from usually has that name:
    // the default never replaces anything there, not even a dangling link;
    // only -o does.
    if (options.output.empty() && fs::symlink_status(pathOf(output), error).type() != fs::file_type::not_found) {
        korvel::printText(stderr, "korvel-cli: %s exists; name the WAV file with -o\n", output.c_str());
        return kExitRefused;
    }
    if (!toStandardOutput && fs::equivalent(pathOf(output), pathOf(name), error)) {
        korvel::printText(stderr, "korvel-cli: %s: the WAV file would replace the Tessal file\n", name.c_str());
        return kExitRefused;
    }
    std::unique_ptr<korvel::OutputFile> out;
    if (output == "-") {
        out = std::make_unique<korvel::StandardOutput>();
    } else if (const int created = platform.createFile(output, out); created != korvel::Platform::kFileOk) {
        korvel::printText(stderr, "korvel-cli: %s: %s\n", output.c_str(),
                          created == korvel::Platform::kFileReadOnly ? "is read-only; not replaced" : "cannot be written");
        return kExitRefused;
    }

    bool written = true;
    const bool decoded = korvel::decodeAsWav(file, *input, [&](const korvel::ByteVector& piece) {
        written = out->write(piece.data(), piece.size()) == korvel::Platform::kFileOk;
        return written;
    });
    if (decoded)
        written = out->commit() == korvel::Platform::kFileOk;
    if (!written || !decoded) {
        korvel::printText(stderr, "korvel-cli: %s: %s\n", written ? name.c_str() : output.c_str(),
                          written ? "cannot be read" : "cannot be written");
        return kExitRefused;
    }
    if (!file.sound())
        korvel::printText(stderr, "korvel-cli: %s: decoded, but offset %zu: %s\n", name.c_str(), file.faults.front().offset,
                          file.faults.front().text.c_str());
    // The WAV file itself may be on standard output.
    if (!options.quiet)
        korvel::printText(toStandardOutput ? stderr : stdout, "%s: %d Hz, %s, %llu frames\n", output.c_str(),
                          file.sampleRate, file.channels == 2 ? "stereo" : "mono", static_cast<unsigned long long>(frames));
    return file.sound() ? kExitWritten : kExitRefused;
}

// Converts each file through the conversion job. A target that an earlier
// file of this run has just written is not replaced: two inputs with one
// base name would otherwise leave one file for two successes.
int convert(const korvel::ConvertOptions& options)
{
    namespace fs = std::filesystem;
    // Texts that could only be written as empty values are refused.
    const std::pair<const char*, std::string> texts[] = {{"--title", options.title.value_or("")},
                                                         {"--copyright", options.copyright}};
    for (const auto& [option, text] : texts) {
        std::u16string units;
        if (!korvel::textToUtf16(text.c_str(), korvel::nativeTextCoding(), units)) {
            korvel::printText(stderr, "korvel-cli: %s: the text is neither in the character set of the locale nor UTF-8\n%s",
                              option, kTryHelp);
            return kExitUsage;
        }
    }
    const korvel::ExcerptSettings part{options.start, options.length, options.fadeIn, options.fadeOut, options.gainDb};
    std::unique_ptr<korvel::InputFile> standardInput;
    if (options.files.front() == "-") {
        // Never over the file it was read from, as cp refuses.
        if (namesStandardStream(options.output, Stream::input)) {
            korvel::printText(stderr, "korvel-cli: standard input and %s are the same file\n", options.output.c_str());
            return kExitRefused;
        }
        using Result = korvel::StandardInput::Result;
        const Result opened = korvel::StandardInput::open(korvel::nativePlatform(), part, standardInput);
        if (opened != Result::ok) {
            if (opened == Result::notSound)
                korvel::printText(stderr, "korvel-cli: -: %s\n",
                                  korvel::nativePlatform().messageText(korvel::kMsgFormatNotSupported).c_str());
            else if (opened == Result::tooLong)
                korvel::printText(stderr, "korvel-cli: standard input: more than %lld GiB of a kind that is kept whole; "
                                          "convert the file by its name\n",
                                  static_cast<long long>(korvel::StandardInput::kMaxSpoolBytes >> 30));
            else if (opened == Result::noRoom)
                korvel::writeText(stderr, "korvel-cli: standard input: not enough free space to keep it in the "
                                          "temporary folder (TMPDIR)\n");
            else
                korvel::writeText(stderr, "korvel-cli: standard input cannot be read\n");
            return kExitRefused;
        }
    }
    korvel::TerminalHost host(options, stdout, stderr);
    korvel::ConversionJob job(host, korvel::nativePlatform());
    std::map<std::string, std::string> writtenFrom;  // target, as one name whatever the spelling -> input
    const auto key = [](const std::string& target) {
        std::error_code error;
        const fs::path canonical = fs::weakly_canonical(pathOf(target), error);
        return error ? target : nameOf(canonical);
    };
    // With several files each success line names the file written, and a
    // count closes the batch. Their files are put in place together, a
    // batch at a time (WriteBatch): a success line comes when its file is
    // in place.
    const bool several = options.files.size() > 1;
    korvel::Platform& platform = korvel::nativePlatform();
    korvel::WriteBatch batch(platform);
    struct Waiting {
        std::size_t index;
        std::string file, target, targetKey;
        std::size_t bytes;
    };
    std::vector<Waiting> waiting;
    std::vector<int> codes(options.files.size(), kExitRefused);
    const auto commitBatch = [&] {
        if (waiting.empty())
            return;
        const std::vector<int> results = batch.commit();
        host.clearProgress();
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            const Waiting& w = waiting[i];
            host.nameFile(w.file, w.target);
            if (results[i] == korvel::Platform::kFileOk) {
                host.showMessage(korvel::MessageKind::success, korvel::ConversionJob::successText(platform, w.bytes));
                codes[w.index] = kExitWritten;
            } else {
                host.showMessage(korvel::MessageKind::error, platform.messageText(korvel::kMsgCannotSave));
                writtenFrom.erase(w.targetKey);
            }
        }
        waiting.clear();
    };
    for (std::size_t index = 0; index < options.files.size(); ++index) {
        const std::string& file = options.files[index];
        korvel::ConversionRequest request;
        request.strict = options.strict;
        request.excerpt = part;
        if (file == "-") {
            // Standard input has no name to take a title from: the output's.
            request.input = standardInput.get();
            request.baseName = nameOf(pathOf(options.output).stem());
        }
        request.loudness = options.loudness;
        if (several)
            request.batch = &batch;
        if (!options.output.empty())
            request.target = options.output;
        else if (!options.outputDirectory.empty())
            request.target =
                nameOf(pathOf(options.outputDirectory) / pathOf(korvel::ConversionJob::outputPath(file)).filename());
        const std::string target = request.target.empty() ? korvel::ConversionJob::outputPath(file) : request.target;
        const std::string targetKey = key(target);
        int code = kExitRefused;
        std::error_code error;
        const auto earlier = writtenFrom.find(targetKey);
        const bool earlierWaits = std::any_of(waiting.begin(), waiting.end(),
                                              [&targetKey](const Waiting& w) { return w.targetKey == targetKey; });
        host.beginFile(file, several ? target : std::string());
        const fs::path folder = pathOf(target).parent_path();
        // Why the file is not converted at all, if it is not.
        std::string notConverted;
        if (!request.target.empty() && !folder.empty() && !fs::is_directory(folder, error))
            notConverted = nameOf(folder) + (fs::exists(folder, error) ? ": not a folder" : ": no such folder");
        // Under --strict the job refuses every name but a WAV or AIFF one
        // first, as the desktop program does.
        else if (!options.strict && file != "-" && fs::equivalent(pathOf(target), pathOf(file), error))
            notConverted = file + ": the Tessal file would replace the sound file";
        else if (earlier != writtenFrom.end() && (earlierWaits || fs::exists(pathOf(target), error)))
            notConverted = file + ": will not replace " + target + ", just written from " + earlier->second;
        if (!notConverted.empty()) {
            host.clearProgress();
            korvel::writeText(stderr, "korvel-cli: " + notConverted + "\n");
        } else {
            const korvel::ConversionOutcome outcome = job.convertFile(file, request);
            host.clearProgress();
            code = exitCode(outcome);
            if (code == kExitWritten)
                writtenFrom[targetKey] = file;
            if (outcome.endedEarly)
                korvel::printText(stderr, "korvel-cli: %s: the file ends early: %.2f s of sound read\n", file.c_str(),
                                  *outcome.endedEarly);
            if (outcome.cut)
                korvel::printText(stderr, "korvel-cli: %s: only the first 66.04 s fit; choose with --start/--length\n",
                                  file.c_str());
            if (outcome.waiting) {
                // Counted once it is in place.
                waiting.push_back({index, file, target, targetKey, outcome.bytes});
                code = kExitRefused;
            }
        }
        if (code == kExitStopped)
            korvel::printText(stderr,
                              "korvel-cli: %s: no file written: a conversion stage stopped (for example, the Tessal file "
                              "would be larger than the sound file)\n",
                              file.c_str());
        if (code == kExitUsage)
            korvel::writeText(stderr, kTryHelp);
        codes[index] = code;
        if (batch.full())
            commitBatch();
    }
    commitBatch();
    host.clearProgress();
    const std::size_t written = static_cast<std::size_t>(std::count(codes.begin(), codes.end(), kExitWritten));
    if (several)
        korvel::printText(stderr, "%zu written, %zu refused\n", written, codes.size() - written);
    // The first file that failed decides the exit status.
    for (const int code : codes)
        if (code != kExitWritten)
            return code;
    return kExitWritten;
}

int run(const korvel::CommandLine& line)
{
    switch (line.action) {
    case korvel::CommandLine::Action::help:
        korvel::writeText(stdout, korvel::usageText());
        return kExitWritten;
    case korvel::CommandLine::Action::version:
        korvel::printText(stdout, "korvel-cli %s\n", KORVEL_VERSION);
        return kExitWritten;
    case korvel::CommandLine::Action::usageError:
        korvel::printText(stderr, "korvel-cli: %s\n%s", line.error.c_str(), kTryHelp);
        return kExitUsage;
    case korvel::CommandLine::Action::info:
        return info(line.inspect);
    case korvel::CommandLine::Action::decode:
        return decode(line.inspect);
    case korvel::CommandLine::Action::convert:
        break;
    }
    return convert(line.options);
}

}  // namespace

namespace {

// The command line's arguments as the program carries its names and texts.
#ifdef _WIN32
std::string argumentText(const wchar_t* argument)
{
    return korvel::narrow(argument);
}
#else
std::string argumentText(const char* argument)
{
    return argument;
}
#endif

template <typename Char>
int runCommandLine(int argc, Char** argv)
{
    int status = kExitRefused;
    try {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.push_back(argumentText(argv[i]));
        status = run(korvel::parseCommandLine(arguments));
    } catch (const std::bad_alloc&) {
        korvel::writeText(stderr, "korvel-cli: not enough memory\n");
        status = kExitRefused;
    }
    // Whatever was printed must have arrived: a full disk or a closed pipe
    // behind standard output is a failure, not a success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        korvel::writeText(stderr, "korvel-cli: standard output: write error\n");
        if (status == kExitWritten)
            status = kExitRefused;
    }
    return status;
}

}  // namespace

#ifdef _WIN32
// The command line in UTF-16, so that every name and text arrives whole,
// whatever the ANSI code page can spell; carried on as UTF-8.
int wmain(int argc, wchar_t** argv)
{
    std::setlocale(LC_CTYPE, "");
    return runCommandLine(argc, argv);
}
#else
int main(int argc, char** argv)
{
    // Paths and texts are read in the user's multibyte encoding.
    std::setlocale(LC_CTYPE, "");
    return runCommandLine(argc, argv);
}
#endif
