// korvel-cli: converts sound files into Tessal files from a terminal, by
// the same two calls of the core as the desktop program and the page.

#include <clocale>
#include <new>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ConsoleText.h"
#include "cli/ExitStatus.h"
#include "system/Platform.h"
#ifdef _WIN32
#include "system/WideText.h"
#endif

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
int runArguments(int argc, Char** argv)
{
    // Paths and texts are read in the user's multibyte encoding.
    std::setlocale(LC_CTYPE, "");
    std::vector<std::string> arguments;
    try {
        for (int i = 1; i < argc; ++i)
            arguments.push_back(argumentText(argv[i]));
    } catch (const std::bad_alloc&) {
        korvel::writeText(stderr, "korvel-cli: not enough memory\n");
        return korvel::kExitRefused;
    }
    return korvel::runCommandLine(arguments, korvel::nativePlatform());
}

}  // namespace

#ifdef _WIN32
// The command line in UTF-16, so that every name and text arrives whole,
// whatever the ANSI code page can spell; carried on as UTF-8.
int wmain(int argc, wchar_t** argv)
{
    return runArguments(argc, argv);
}
#else
int main(int argc, char** argv)
{
    return runArguments(argc, argv);
}
#endif
