#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "system/FileDescriptor.h"
#include "system/PosixPlatform.h"

namespace korvel {

// A new regular file for target, unnamed (named empty) or under the pending
// hidden name, in the target's directory so that the rename stays on one
// volume. It takes the target's name only on commit; what it made is gone
// when it goes uncommitted.
class PosixPlatform::NewFile : public OutputFile {
public:
    // Makes nothing yet: the object exists before the file, so that running
    // out of memory leaves nothing behind.
    NewFile(PosixPlatform& platform, std::string target);
    ~NewFile() override;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Makes the file, locked, with the permissions given; a file replaced
    // (its status) lends it its owner where the system lets us keep it.
    bool create(std::optional<mode_t> mode, const struct stat* replaced);

    FileResult write(const std::uint8_t* data, std::size_t size) override;
    FileResult commit() override;
    // An unnamed file waits without a trace: were the run interrupted, it
    // would vanish with the process.
    bool canWait() const override { return named.empty(); }
    std::uint64_t volume() const override;
    std::string folder() const override;
    FileResult syncVolume() override;
    FileResult place() override;

private:
    FileResult finish();
    bool linkPending(const std::string& self);

    PosixPlatform& platform;
    FileDescriptor fd;
    std::string target;
    std::string named;
    bool committed = false;
};

}  // namespace korvel
