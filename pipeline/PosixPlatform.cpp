#include "pipeline/PosixPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <new>

namespace korvel {

ssize_t PosixPlatform::readSome(int fd, void* buffer, std::size_t size, off_t offset)
{
    return ::pread(fd, buffer, size, offset);
}

ssize_t PosixPlatform::writeSome(int fd, const void* data, std::size_t size)
{
    return ::write(fd, data, size);
}

int PosixPlatform::makeTemporary(char* pattern)
{
    return ::mkstemp(pattern);
}

int PosixPlatform::renameFile(const char* from, const char* to)
{
    return ::rename(from, to);
}

// Writes everything, going on after short writes and interruptions.
bool PosixPlatform::writeAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = writeSome(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A file descriptor read at offsets through the platform's read hook.
class PosixPlatform::OpenFile : public InputFile {
public:
    OpenFile(PosixPlatform& platform, int fd, std::int64_t length) : platform(platform), fd(fd), length(length) {}
    ~OpenFile() override { ::close(fd); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    std::int64_t size() const override { return length; }

    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        if (offset < 0 || count < 0)
            return -1;
        for (;;) {
            const ssize_t n = platform.readSome(fd, destination, static_cast<std::size_t>(count), static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            return n < 0 ? -1 : static_cast<int>(n);
        }
    }

private:
    PosixPlatform& platform;
    int fd;
    std::int64_t length;
};

int PosixPlatform::openFile(const std::string& path, std::unique_ptr<InputFile>& file)
{
    file.reset();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return kFileCannotOpen;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return kFileCannotRead;
    }
    if (info.st_size > INT_MAX) {
        ::close(fd);
        return kFileTooLarge;
    }
    file.reset(new (std::nothrow) OpenFile(*this, fd, static_cast<std::int64_t>(info.st_size)));
    if (!file) {
        ::close(fd);
        throw std::bad_alloc();
    }
    return kFileOk;
}

int PosixPlatform::replaceFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    // A short name of its own in the same directory, so that the rename
    // stays on one volume and no name gets too long.
    const std::size_t slash = path.rfind('/');
    std::string temporary = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".korvel-XXXXXX";
    const int fd = makeTemporary(temporary.data());
    if (fd < 0)
        return kFileCannotOpen;
    // mkstemp creates the file for its owner only; give it the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const bool written = writeAll(fd, data, size) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || renameFile(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return kFileCannotWrite;
    }
    return kFileOk;
}

double PosixPlatform::queryFreeSpace(const PathParts& path)
{
    const std::string directory = path.directory.empty() ? "." : path.directory;
    struct statvfs info {};
    if (::statvfs(directory.c_str(), &info) != 0)
        return -1;
    return static_cast<double>(info.f_bfree) * static_cast<double>(info.f_frsize);
}

void PosixPlatform::useUserLocale()
{
    std::setlocale(LC_CTYPE, "");
}

bool PosixPlatform::japaneseInterface()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0')
            return std::strncmp(value, "ja", 2) == 0;
    }
    return false;
}

Platform& nativePlatform()
{
    static PosixPlatform platform;
    return platform;
}

}  // namespace korvel
