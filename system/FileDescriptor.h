#pragma once

#include <unistd.h>

#include "system/OwnedHandle.h"

namespace korvel {

struct FileDescriptorTraits {
    using Value = int;
    static constexpr int kNone = -1;
    static bool valid(int fd) { return fd >= 0; }
    static bool close(int fd) { return ::close(fd) == 0; }
};

// An open file descriptor, closed when its owner goes.
using FileDescriptor = OwnedHandle<FileDescriptorTraits>;

}  // namespace korvel
