#include "cli/ConsoleText.h"

#include <cstdarg>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "system/WideText.h"
#else
#include <unistd.h>
#endif

namespace korvel {

#ifdef _WIN32
namespace {

// The console behind the stream, or nullptr for a pipe or a file.
HANDLE consoleOf(std::FILE* stream)
{
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace
#endif

void writeText(std::FILE* stream, std::string_view text)
{
#ifdef _WIN32
    // A console shows UTF-16 whatever its code page; a pipe or a file gets
    // the bytes, which a script reads as UTF-8.
    if (HANDLE console = consoleOf(stream); console != nullptr) {
        std::fflush(stream);
        const std::wstring wide = widen(text);
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::fwrite(text.data(), 1, text.size(), stream);
}

bool isTerminal(std::FILE* stream)
{
#ifdef _WIN32
    return consoleOf(stream) != nullptr;
#else
    return ::isatty(::fileno(stream)) == 1;
#endif
}

namespace {

// A terminal of POSIX systems erases to the end of the line on request;
// a Windows console, unless told to take such requests, is overwritten with
// blanks.
#ifdef _WIN32
constexpr std::string_view kBlankLine = "\r                                                                               \r";
#endif

}  // namespace

void showStatusLine(std::FILE* stream, std::string_view text)
{
#ifdef _WIN32
    writeText(stream, kBlankLine);
    writeText(stream, text);
#else
    writeText(stream, "\r");
    writeText(stream, text);
    writeText(stream, "\033[K");
#endif
    std::fflush(stream);
}

void clearStatusLine(std::FILE* stream)
{
#ifdef _WIN32
    writeText(stream, kBlankLine);
#else
    writeText(stream, "\r\033[K");
#endif
    std::fflush(stream);
}

void printText(std::FILE* stream, const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length > 0) {
        std::vector<char> text(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        writeText(stream, std::string_view(text.data(), static_cast<std::size_t>(length)));
    }
    va_end(again);
}

}  // namespace korvel
