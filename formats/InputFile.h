#pragma once

#include <cstdint>

namespace korvel {

// A file opened for reading, so that other programs may go on reading and
// writing it, and read at any offset as it is needed. Each platform's
// Platform::openFile makes one; ImageFile reads an image in memory.
class InputFile {
public:
    virtual ~InputFile() = default;

    // The file's length when it was opened.
    virtual std::int64_t size() const = 0;
    // Copies up to count bytes from offset: the number copied, which is 0
    // at the end of the file and may be less than count before it, or -1
    // when the system could not read.
    virtual int readAt(std::int64_t offset, std::uint8_t* destination, int count) = 0;
};

}  // namespace korvel
