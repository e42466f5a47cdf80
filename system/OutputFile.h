#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "system/FileResult.h"

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

    // FileResult::ok, or FileResult::cannotWrite.
    virtual FileResult write(const std::uint8_t* data, std::size_t size) = 0;
    // Puts the file in place once every byte is written: FileResult::ok,
    // or FileResult::cannotWrite with the old file kept.
    virtual FileResult commit() = 0;

    // Commit in steps, for many files put in place together (WriteBatch): a
    // file that can wait for the others stays unnamed, without a name that
    // an interruption would have to remove, until syncVolume has made its
    // bytes durable together with everything else written to its volume (one
    // sync for all the files there) and place gives it its name without a
    // sync of its own. A file that cannot wait is committed on its own.
    virtual bool canWait() const { return false; }
    // Which volume the file is on (equal numbers: the same volume), and the
    // folder in which it takes its name.
    virtual std::uint64_t volume() const { return 0; }
    virtual std::string folder() const { return {}; }
    virtual FileResult syncVolume() { return FileResult::ok; }
    virtual FileResult place() { return commit(); }
};

}  // namespace korvel
