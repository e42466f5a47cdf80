#include "cli/TessalCommands.h"

#include <memory>
#include <string>

#include "cli/Console.h"
#include "cli/ConsoleText.h"
#include "cli/ExitStatus.h"
#include "cli/InfoReport.h"
#include "cli/StandardOutput.h"
#include "formats/WavFormat.h"
#include "road/DecodeRoad.h"
#include "system/Platform.h"
#include "tessal/TessalReader.h"

namespace korvel {

namespace {

// Why a file could not be opened for reading.
const char* openProblem(FileResult result)
{
    return result == FileResult::cannotOpen ? "cannot be opened" : "cannot be read: not a regular file";
}

}  // namespace

int infoCommand(const InspectOptions& options, Platform& platform)
{
    int status = kExitWritten;
    for (const std::string& name : options.files) {
        std::unique_ptr<InputFile> input;
        const FileResult opened = platform.openFile(name, input);
        if (opened != FileResult::ok) {
            printText(stderr, "korvel-cli: %s: %s\n", name.c_str(), openProblem(opened));
            status = kExitRefused;
            continue;
        }
        const TessalFile file = readTessal(*input);
        const std::string report = options.json ? infoJson(name, file) + "\n" : infoText(name, file);
        writeText(stdout, report);
        if (!file.sound()) {
            const TessalFault& first = file.faults.front();
            printText(stderr, "korvel-cli: %s: offset %zu: %s\n", name.c_str(), first.offset, first.text.c_str());
            status = kExitRefused;
        }
    }
    return status;
}

int decodeCommand(const InspectOptions& options, Platform& platform)
{
    const std::string& name = options.files.front();
    std::unique_ptr<InputFile> input;
    const FileResult opened = platform.openFile(name, input);
    if (opened != FileResult::ok) {
        printText(stderr, "korvel-cli: %s: %s\n", name.c_str(), openProblem(opened));
        return kExitRefused;
    }
    const TessalFile layout = readTessalLayout(*input);
    // Every ADPCM byte gives two 16-bit samples.
    const std::uint64_t dataBytes = 4 * static_cast<std::uint64_t>(layout.adpcmLength);
    if (layout.hasAudio() && dataBytes > wav::kMaxDataBytes) {
        printText(stderr, "korvel-cli: %s: %llu bytes of samples are more than a WAV file can hold (4 GiB)\n",
                          name.c_str(), static_cast<unsigned long long>(dataBytes));
        return kExitRefused;
    }
    const TessalFile file = readTessal(*input);
    if (!file.hasAudio()) {
        printText(stderr, "korvel-cli: %s: no sound to decode%s%s\n", name.c_str(), file.sound() ? "" : ": ",
                          file.sound() ? "" : file.faults.front().text.c_str());
        return kExitRefused;
    }
    const std::uint64_t frames = 2 * static_cast<std::uint64_t>(file.adpcmLength) / static_cast<std::uint64_t>(file.channels);

    const std::string output = options.output.empty() ? console::withExtension(name, ".wav") : options.output;
    // "-", or a name for it such as /dev/stdout: the summary then goes to
    // standard error, not into the WAV file.
    const bool toStandardOutput = output == "-" || console::namesStandardStream(output, console::Stream::output);
    // The sound file the Tessal file was made from usually has that name:
    // the default never replaces anything there, not even a dangling link;
    // only -o does.
    if (options.output.empty() && console::nameTaken(output)) {
        printText(stderr, "korvel-cli: %s exists; name the WAV file with -o\n", output.c_str());
        return kExitRefused;
    }
    if (!toStandardOutput && console::sameFile(output, name)) {
        printText(stderr, "korvel-cli: %s: the WAV file would replace the Tessal file\n", name.c_str());
        return kExitRefused;
    }
    std::unique_ptr<OutputFile> out;
    if (output == "-") {
        out = std::make_unique<StandardOutput>();
    } else if (const FileResult created = platform.createFile(output, out); created != FileResult::ok) {
        printText(stderr, "korvel-cli: %s: %s\n", output.c_str(),
                          created == FileResult::readOnly ? "is read-only; not replaced" : "cannot be written");
        return kExitRefused;
    }

    bool written = true;
    const bool decoded = decodeAsWav(file, *input, [&](const ByteVector& piece) {
        written = out->write(piece.data(), piece.size()) == FileResult::ok;
        return written;
    });
    if (decoded)
        written = out->commit() == FileResult::ok;
    if (!written || !decoded) {
        printText(stderr, "korvel-cli: %s: %s\n", written ? name.c_str() : output.c_str(),
                          written ? "cannot be read" : "cannot be written");
        return kExitRefused;
    }
    if (!file.sound())
        printText(stderr, "korvel-cli: %s: decoded, but offset %zu: %s\n", name.c_str(), file.faults.front().offset,
                          file.faults.front().text.c_str());
    // The WAV file itself may be on standard output.
    if (!options.quiet)
        printText(toStandardOutput ? stderr : stdout, "%s: %d Hz, %s, %llu frames\n", output.c_str(),
                          file.sampleRate, file.channels == 2 ? "stereo" : "mono", static_cast<unsigned long long>(frames));
    return file.sound() ? kExitWritten : kExitRefused;
}

}  // namespace korvel
