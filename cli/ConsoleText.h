#pragma once

#include <cstdio>
#include <string_view>

namespace korvel {

// Writes the program's UTF-8 text to standard output or standard error so
// that the user reads it as written: on a Windows console as UTF-16
// (right on every console code page), anywhere else as the UTF-8 bytes.
void writeText(std::FILE* stream, std::string_view text);

// Whether the stream is a terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// A status line on a terminal: shown over the one before, and cleared
// before other lines follow.
void showStatusLine(std::FILE* stream, std::string_view text);
void clearStatusLine(std::FILE* stream);

// printf into writeText.
#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 2, 3)))
#elif defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void printText(std::FILE* stream, const char* format, ...);

}  // namespace korvel
