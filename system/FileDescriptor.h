#pragma once

#include <unistd.h>

#include <utility>

namespace korvel {

// An open file descriptor, closed when its owner goes: nothing is closed by
// hand before a return or a throw.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            close();
            fd = std::exchange(other.fd, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    // Closes it now: what close(2) answered (0 when there was none open).
    int close()
    {
        const int closed = fd >= 0 ? ::close(fd) : 0;
        fd = -1;
        return closed;
    }

private:
    int fd = -1;
};

}  // namespace korvel
