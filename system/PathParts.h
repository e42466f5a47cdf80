#pragma once

#include <string>
#include <string_view>

#include "tessal/TextCoding.h"

namespace korvel {

// A path split as the job uses it: C:\sounds\my.song.wav has the drive "C:",
// the directory "\sounds\", the base name "my.song" and the extension
// ".wav". A path without a drive letter has an empty drive part, and the
// extension runs from the last dot of the last component (dot included).
struct PathParts {
    std::string drive;
    std::string directory;  // with its trailing separator
    std::string baseName;
    std::string extension;
};

// Windows paths know drive letters and both separators, "\" and "/"; POSIX
// paths only "/". The bytes of a multibyte character in `coding` are passed
// over together, so that a trail byte of 0x5C in a double-byte code page is
// not taken for a separator.
PathParts splitPath(std::string_view path, bool windowsStyle, TextCoding coding);

// The native style and coding of the platform the program runs on.
PathParts splitPath(std::string_view path);

// Compares ASCII letters without regard to case and every other byte
// exactly: ".WAV" equals ".wav".
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace korvel
