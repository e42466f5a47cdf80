#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "system/OutputFile.h"

namespace korvel {

class Platform;

// Files written one after the other and put in place together, so that a
// batch pays for durability once instead of once a file. Each new file is
// written whole to its temporary place when it is added; commit makes all
// of them durable with one sync of each volume, then gives each its name,
// then syncs each folder that received one, once. Every target is still
// replaced only by a complete file that is on the disk, and an interrupted
// batch leaves each target either old or new: the waiting files have no
// name, and vanish with the process.
class WriteBatch {
public:
    // Files waiting at most: each holds an open file of the system.
    static constexpr std::size_t kMaxWaiting = 64;
    // The platform outlives the batch.
    explicit WriteBatch(Platform& platform);
    ~WriteBatch();
    WriteBatch(const WriteBatch&) = delete;
    WriteBatch& operator=(const WriteBatch&) = delete;

    // Writes the bytes to a new file for path: FileResult::waiting, or ok
    // for a file that cannot wait (OutputFile::canWait) and was committed
    // on its own, or the failure of Platform::writeFile or of the commit.
    FileResult add(const std::string& path, const std::uint8_t* data, std::size_t size);
    std::size_t waiting() const { return files.size(); }
    bool full() const { return files.size() >= kMaxWaiting; }
    // Puts every waiting file in place: the result of each (FileResult::ok
    // or FileResult::cannotWrite), in the order they were added. A file whose
    // volume could not be synced keeps no name, and its target is untouched.
    std::vector<FileResult> commit();

private:
    Platform& platform;
    std::vector<std::unique_ptr<OutputFile>> files;
};

}  // namespace korvel
