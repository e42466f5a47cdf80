#pragma once

#include <cstdio>
#include <string_view>

namespace korvel {

// Writes the program's UTF-8 text to standard output or standard error so
// that the user reads it as written: on a Windows console as UTF-16
// (right on every console code page), anywhere else as the UTF-8 bytes.
void writeText(std::FILE* stream, std::string_view text);

// printf into writeText.
#if defined(__MINGW32__)
__attribute__((format(gnu_printf, 2, 3)))
#elif defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void printText(std::FILE* stream, const char* format, ...);

}  // namespace korvel
