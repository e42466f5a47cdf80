#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel {

// A file being written, made by Platform::createFile. Where it replaces a
// regular file, the bytes go into a new file beside it that takes the
// file's place only on commit, so that the old file stays whole until the
// new one is whole and on the disk; destroying an uncommitted file leaves
// nothing behind. Where the name is a device or a pipe, the bytes go
// straight to it.
class OutputFile {
public:
    virtual ~OutputFile() = default;

    // Platform::kFileOk, or kFileCannotWrite.
    virtual int write(const std::uint8_t* data, std::size_t size) = 0;
    // Puts the file in place once every byte is written: Platform::kFileOk,
    // or kFileCannotWrite with the old file kept.
    virtual int commit() = 0;
};

}  // namespace korvel
