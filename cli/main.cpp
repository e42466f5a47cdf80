// korvel-cli: converts WAV and AIFF files into Tessal files from a terminal,
// through the same conversion job as the desktop program.

#include <clocale>
#include <filesystem>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/InfoReport.h"
#include "cli/TerminalHost.h"
#include "pipeline/ConversionJob.h"
#include "pipeline/Platform.h"
#include "pipeline/WavImage.h"
#include "tessal/TessalReader.h"

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "0"
#endif

namespace {

constexpr int kExitWritten = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitStopped = 3;

int exitCode(korvel::TerminalHost::Outcome outcome)
{
    switch (outcome) {
    case korvel::TerminalHost::Outcome::written:
        return kExitWritten;
    case korvel::TerminalHost::Outcome::refused:
        return kExitRefused;
    case korvel::TerminalHost::Outcome::usageError:
        return kExitUsage;
    case korvel::TerminalHost::Outcome::stopped:
        break;
    }
    return kExitStopped;
}

// Prints what each file holds; 0 when every file is sound, else 1.
int info(const korvel::InspectOptions& options)
{
    int status = kExitWritten;
    for (const std::string& name : options.files) {
        std::vector<std::uint8_t> image;
        if (korvel::nativePlatform().readFile(name, image) != korvel::Platform::kFileOk) {
            std::fprintf(stderr, "korvel-cli: %s: cannot be read\n", name.c_str());
            status = kExitRefused;
            continue;
        }
        const korvel::TessalFile file = korvel::readTessal(image);
        const std::string report = options.json ? korvel::infoJson(name, file) + "\n" : korvel::infoText(name, file);
        std::fputs(report.c_str(), stdout);
        if (!file.sound()) {
            const korvel::TessalFault& first = file.faults.front();
            std::fprintf(stderr, "korvel-cli: %s: offset %zu: %s\n", name.c_str(), first.offset, first.text.c_str());
            status = kExitRefused;
        }
    }
    return status;
}

// Writes the sound of a file as a WAV file, never over the file itself.
int decode(const korvel::InspectOptions& options)
{
    namespace fs = std::filesystem;
    const std::string& name = options.files.front();
    std::vector<std::uint8_t> image;
    if (korvel::nativePlatform().readFile(name, image) != korvel::Platform::kFileOk) {
        std::fprintf(stderr, "korvel-cli: %s: cannot be read\n", name.c_str());
        return kExitRefused;
    }
    const korvel::TessalFile file = korvel::readTessal(image);
    const std::vector<std::int16_t> samples = korvel::decodePayload(file, image);
    if (samples.empty()) {
        std::fprintf(stderr, "korvel-cli: %s: no sound to decode%s%s\n", name.c_str(), file.sound() ? "" : ": ",
                     file.sound() ? "" : file.faults.front().text.c_str());
        return kExitRefused;
    }
    const std::string output = options.output.empty() ? fs::path(name).replace_extension(".wav").string() : options.output;
    std::error_code error;
    // The sound file the Tessal file was made from usually has that name:
    // the default never replaces an existing file, only -o does.
    if (options.output.empty() && fs::exists(output, error)) {
        std::fprintf(stderr, "korvel-cli: %s exists; name the WAV file with -o\n", output.c_str());
        return kExitRefused;
    }
    if (fs::equivalent(output, name, error)) {
        std::fprintf(stderr, "korvel-cli: %s: the WAV file would replace the Tessal file\n", name.c_str());
        return kExitRefused;
    }
    korvel::ClipFormat format;
    format.channels = static_cast<std::uint16_t>(file.channels);
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<std::uint16_t>(2 * file.channels);
    format.sampleRate = file.sampleRate;
    format.frameCount = static_cast<std::int32_t>(samples.size() / static_cast<std::size_t>(file.channels));
    format.dataBytes = 2 * format.frameCount * file.channels;
    korvel::ByteVector wav;
    korvel::writeWavImage(format, samples, wav);
    if (korvel::nativePlatform().replaceFile(output, wav.data(), wav.size()) != korvel::Platform::kFileOk) {
        std::fprintf(stderr, "korvel-cli: %s: cannot be written\n", output.c_str());
        return kExitRefused;
    }
    if (!file.sound())
        std::fprintf(stderr, "korvel-cli: %s: decoded, but offset %zu: %s\n", name.c_str(), file.faults.front().offset,
                     file.faults.front().text.c_str());
    std::printf("%s: %d Hz, %s, %d frames\n", output.c_str(), file.sampleRate, file.channels == 2 ? "stereo" : "mono",
                format.frameCount);
    return file.sound() ? kExitWritten : kExitRefused;
}

}  // namespace

int main(int argc, char** argv)
{
    // Paths and texts are read in the user's multibyte encoding.
    std::setlocale(LC_CTYPE, "");
    const korvel::CommandLine line = korvel::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (line.action) {
    case korvel::CommandLine::Action::help:
        std::fputs(korvel::usageText(), stdout);
        return kExitWritten;
    case korvel::CommandLine::Action::version:
        std::printf("korvel-cli %s\n", KORVEL_VERSION);
        return kExitWritten;
    case korvel::CommandLine::Action::usageError:
        std::fprintf(stderr, "korvel-cli: %s\n%s", line.error.c_str(), korvel::usageText());
        return kExitUsage;
    case korvel::CommandLine::Action::info:
        return info(line.inspect);
    case korvel::CommandLine::Action::decode:
        return decode(line.inspect);
    case korvel::CommandLine::Action::convert:
        break;
    }

    korvel::TerminalHost host(line.options, stdout, stderr);
    korvel::ConversionJob job(host, korvel::nativePlatform());
    int status = kExitWritten;
    for (const std::string& file : line.options.files) {
        host.beginFile(file);
        job.convertFile(file);
        const int code = exitCode(host.outcome());
        if (code == kExitStopped)
            std::fprintf(stderr,
                         "korvel-cli: %s: no file written: a conversion stage stopped (for example, the Tessal file "
                         "would be larger than the sound file)\n",
                         file.c_str());
        if (code == kExitUsage)
            std::fputs(korvel::usageText(), stderr);
        // The first file that failed decides the exit status.
        if (status == kExitWritten)
            status = code;
    }
    return status;
}
