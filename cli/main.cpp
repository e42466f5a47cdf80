// korvel-cli: converts sound files into Tessal files from a terminal, by
// the same two calls of the core as the desktop program and the page.

#ifdef _WIN32
#include "system/WideText.h"
#endif

#include <clocale>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/ConsoleText.h"
#include "cli/ConvertCommand.h"
#include "cli/ExitStatus.h"
#include "cli/InspectCommands.h"
#include "system/Platform.h"

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "0"
#endif

namespace {

int run(const korvel::CommandLine& line)
{
    using korvel::CommandLine;
    switch (line.action) {
    case CommandLine::Action::help:
        korvel::writeText(stdout, korvel::usageText());
        return korvel::kExitWritten;
    case CommandLine::Action::version:
        korvel::printText(stdout, "korvel-cli %s\n", KORVEL_VERSION);
        return korvel::kExitWritten;
    case CommandLine::Action::usageError:
        korvel::printText(stderr, "korvel-cli: %s\n%s", line.error.c_str(), korvel::kTryHelp);
        return korvel::kExitUsage;
    case CommandLine::Action::info:
        return korvel::infoCommand(line.inspect);
    case CommandLine::Action::decode:
        return korvel::decodeCommand(line.inspect);
    case CommandLine::Action::convert:
        break;
    }
    return korvel::ConvertCommand(line.options, korvel::nativePlatform()).run();
}

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
    int status = korvel::kExitRefused;
    try {
        std::vector<std::string> arguments;
        for (int i = 1; i < argc; ++i)
            arguments.push_back(argumentText(argv[i]));
        status = run(korvel::parseCommandLine(arguments));
    } catch (const std::bad_alloc&) {
        korvel::writeText(stderr, "korvel-cli: not enough memory\n");
        status = korvel::kExitRefused;
    }
    // Whatever was printed must have arrived: a full disk or a closed pipe
    // behind standard output is a failure, not a success.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        korvel::writeText(stderr, "korvel-cli: standard output: write error\n");
        if (status == korvel::kExitWritten)
            status = korvel::kExitRefused;
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
