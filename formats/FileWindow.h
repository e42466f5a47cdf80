#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/InputFile.h"

namespace korvel {

// Reads a file at any offset through a window of 64 KiB, so that a parser
// may look at single bytes and fields where it needs them and the system is
// asked once a window. A read error, or a file that ends before the length
// it had when it was opened, stops all further reading; failed() and
// failedAt() then tell where.
class FileWindow {
public:
    static constexpr std::size_t kWindowBytes = 64 * 1024;

    // The file must outlive the window.
    explicit FileWindow(InputFile& file);

    // The file's length when it was opened.
    std::size_t length() const { return fileLength; }

    // The byte at offset, or 0 beyond the end or once reading failed.
    std::uint8_t at(std::size_t offset)
    {
        if (offset - start >= fill && !load(offset))
            return 0;
        return window[offset - start];
    }
    std::uint32_t be32(std::size_t offset);
    unsigned be16(std::size_t offset);
    std::uint32_t le32(std::size_t offset);
    unsigned le16(std::size_t offset);

    // Reads up to kWindowBytes bytes at offset for a pass over the file and
    // returns where they are; count becomes the number read, fewer than
    // asked only when reading failed. The caller may change them: the
    // window forgets them.
    std::uint8_t* block(std::size_t offset, std::size_t& count);

    bool failed() const { return readFailed; }
    std::size_t failedAt() const { return failure; }

private:
    bool load(std::size_t offset);
    std::size_t read(std::size_t offset, std::size_t count);

    InputFile& file;
    std::size_t fileLength;
    std::vector<std::uint8_t> window;
    std::size_t start = 0;
    std::size_t fill = 0;
    bool readFailed = false;
    std::size_t failure = 0;
};

}  // namespace korvel
