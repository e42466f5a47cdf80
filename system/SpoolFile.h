#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/InputFile.h"
#include "system/FileResult.h"

namespace korvel {

// A temporary file that keeps what a pipe brings, so that the readers can
// go back and forth in it: nameless (or named only for a moment), and gone
// when it is closed, however the program ends.
class SpoolFile : public InputFile {
public:
    // Appends bytes at the end: FileResult::ok, or FileResult::cannotWrite.
    virtual FileResult append(const std::uint8_t* data, std::size_t size) = 0;
    // Moves the end on to offset without writing the bytes before it, which
    // read as zeros (a hole, where the file system makes one).
    virtual FileResult extendTo(std::int64_t offset) = 0;
    // The bytes still free for the user where the file lies; -1 when that
    // cannot be had.
    virtual double freeSpace() const = 0;
};

}  // namespace korvel
