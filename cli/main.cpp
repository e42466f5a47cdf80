// korvel-cli: converts WAV and AIFF files into Tessal files from a terminal,
// through the same conversion job as the desktop program.

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/TerminalHost.h"
#include "pipeline/ConversionJob.h"
#include "pipeline/Platform.h"

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
