#include "cli/Commands.h"

#include <cstdio>
#include <new>

#include "cli/CommandLine.h"
#include "cli/ConsoleText.h"
#include "cli/ConvertCommand.h"
#include "cli/ExitStatus.h"
#include "cli/TessalCommands.h"

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "0"
#endif

namespace korvel {

namespace {

int run(const CommandLine& line, Platform& platform)
{
    switch (line.action) {
    case CommandLine::Action::help:
        writeText(stdout, usageText());
        return kExitWritten;
    case CommandLine::Action::version:
        printText(stdout, "korvel-cli %s\n", KORVEL_VERSION);
        return kExitWritten;
    case CommandLine::Action::usageError:
        printText(stderr, "korvel-cli: %s\n%s", line.error.c_str(), kTryHelp);
        return kExitUsage;
    case CommandLine::Action::info:
        return infoCommand(line.inspect, platform);
    case CommandLine::Action::decode:
        return decodeCommand(line.inspect, platform);
    case CommandLine::Action::convert:
        break;
    }
    return ConvertCommand(line.options, platform).run();
}

}  // namespace

int runCommandLine(const std::vector<std::string>& arguments, Platform& platform)
{
    int status = kExitRefused;
    try {
        status = run(parseCommandLine(arguments), platform);
    } catch (const std::bad_alloc&) {
        writeText(stderr, "korvel-cli: not enough memory\n");
        status = kExitRefused;
    }
    // Whatever was printed must have arrived: a full disk or a closed pipe
    // behind standard output is a failure, not a success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        writeText(stderr, "korvel-cli: standard output: write error\n");
        if (status == kExitWritten)
            status = kExitRefused;
    }
    return status;
}

}  // namespace korvel
