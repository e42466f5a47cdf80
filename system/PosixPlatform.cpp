#include "system/PosixPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>

#include "system/FileDescriptor.h"
#include "system/PosixNewFile.h"
#include "tessal/TextCoding.h"

namespace korvel {

namespace {

// A file the caller may not write: no write permission for anyone (which
// holds for the superuser too), or none for this user.
bool readOnly(const std::string& path, const struct stat& info)
{
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

}  // namespace

ssize_t PosixPlatform::readSome(int fd, void* buffer, std::size_t size, off_t offset)
{
    return ::pread(fd, buffer, size, offset);
}

ssize_t PosixPlatform::writeSome(int fd, const void* data, std::size_t size)
{
    return ::write(fd, data, size);
}

// New files are made with the usual permissions, which the system narrows
// by the process's mask as it makes them: the mask is never changed, not
// even for a moment, while other threads may make files.
constexpr mode_t kNewFileMode = 0666;

int PosixPlatform::openUnnamed(const char* directory)
{
#ifdef O_TMPFILE
    return ::open(directory, O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
#else
    (void)directory;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Replaces the pattern's last six characters with letters and digits chosen
// at random.
void PosixPlatform::chooseName(char* pattern)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::random_device random;
    const std::size_t length = std::strlen(pattern);
    for (std::size_t i = length - 6; i < length; ++i)
        pattern[i] = kLetters[random() % (sizeof kLetters - 1)];
}

int PosixPlatform::makeTemporary(char* pattern)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        chooseName(pattern);
        const int fd = ::open(pattern, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, kNewFileMode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

int PosixPlatform::renameFile(const char* from, const char* to)
{
    return ::rename(from, to);
}

// Reads at an offset through the read hook, going on after interruptions.
int PosixPlatform::readFrom(int fd, std::int64_t offset, std::uint8_t* destination, int count)
{
    if (offset < 0 || count < 0)
        return -1;
    for (;;) {
        const ssize_t n = readSome(fd, destination, static_cast<std::size_t>(count), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 ? -1 : static_cast<int>(n);
    }
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
    OpenFile(PosixPlatform& platform, FileDescriptor fd, std::int64_t length)
        : platform(platform), fd(std::move(fd)), length(length)
    {
    }

    std::int64_t size() const override { return length; }

    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return platform.readFrom(fd.get(), offset, destination, count);
    }

private:
    PosixPlatform& platform;
    FileDescriptor fd;
    std::int64_t length;
};

// A device or a pipe, written to as it is.
class PosixPlatform::DeviceFile : public OutputFile {
public:
    DeviceFile(PosixPlatform& platform, FileDescriptor fd) : platform(platform), fd(std::move(fd)) {}

    FileResult write(const std::uint8_t* data, std::size_t size) override
    {
        return platform.writeAll(fd.get(), data, size) ? FileResult::ok : FileResult::cannotWrite;
    }
    FileResult commit() override { return fd.close() ? FileResult::ok : FileResult::cannotWrite; }

private:
    PosixPlatform& platform;
    FileDescriptor fd;
};

FileResult PosixPlatform::syncFolder(const std::string& folder)
{
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return FileResult::cannotWrite;
    return !waitsForTheDisk() || ::fsync(fd.get()) == 0 ? FileResult::ok : FileResult::cannotWrite;
}

FileResult PosixPlatform::openFile(const std::string& path, std::unique_ptr<InputFile>& file)
{
    file.reset();
    // Without blocking: a FIFO with no writer would wait forever. Only a
    // regular file is read, and that reads the same either way.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid())
        return FileResult::cannotOpen;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return FileResult::cannotRead;
    file = std::make_unique<OpenFile>(*this, std::move(fd), static_cast<std::int64_t>(info.st_size));
    return FileResult::ok;
}

FileResult PosixPlatform::openStandardInput(std::unique_ptr<InputFile>& file)
{
    file.reset();
    struct stat info {};
    if (::fstat(STDIN_FILENO, &info) != 0)
        return FileResult::cannotOpen;
    if (!S_ISREG(info.st_mode))
        return FileResult::isStream;
    FileDescriptor fd(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0));
    if (!fd.valid())
        return FileResult::cannotOpen;
    file = std::make_unique<OpenFile>(*this, std::move(fd), static_cast<std::int64_t>(info.st_size));
    return FileResult::ok;
}

std::int64_t PosixPlatform::readStandardInput(std::uint8_t* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 ? -1 : n;
    }
}

// A temporary file without a name, read and written at offsets.
class PosixPlatform::Spool : public SpoolFile {
public:
    Spool(PosixPlatform& platform, FileDescriptor fd) : platform(platform), fd(std::move(fd)) {}

    std::int64_t size() const override { return length; }
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return platform.readFrom(fd.get(), offset, destination, count);
    }
    FileResult append(const std::uint8_t* data, std::size_t size) override
    {
        if (!platform.writeAll(fd.get(), data, size))
            return FileResult::cannotWrite;
        length += static_cast<std::int64_t>(size);
        return FileResult::ok;
    }
    FileResult extendTo(std::int64_t offset) override
    {
        if (offset < length || ::ftruncate(fd.get(), static_cast<off_t>(offset)) != 0 ||
            ::lseek(fd.get(), static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset))
            return FileResult::cannotWrite;
        length = offset;
        return FileResult::ok;
    }
    double freeSpace() const override
    {
        struct statvfs info {};
        if (::fstatvfs(fd.get(), &info) != 0)
            return -1;
        return static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
    }

private:
    PosixPlatform& platform;
    FileDescriptor fd;
    std::int64_t length = 0;
};

FileResult PosixPlatform::createSpool(std::unique_ptr<SpoolFile>& spool)
{
    spool.reset();
    const char* variable = std::getenv("TMPDIR");
    const std::string directory = variable != nullptr && variable[0] != '\0' ? variable : "/tmp";
    FileDescriptor fd;
#ifdef O_TMPFILE
    fd = FileDescriptor(::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
#endif
    if (!fd.valid()) {
        // Without unnamed files: a name that goes at once.
        std::string pattern = directory + "/korvel-spool-XXXXXX";
        fd = FileDescriptor(::mkostemp(pattern.data(), O_CLOEXEC));
        if (fd.valid())
            ::unlink(pattern.c_str());
    }
    if (!fd.valid())
        return FileResult::cannotOpen;
    spool = std::make_unique<Spool>(*this, std::move(fd));
    return FileResult::ok;
}

FileResult PosixPlatform::openDevice(const std::string& path, std::unique_ptr<OutputFile>& file)
{
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return FileResult::cannotOpen;
    file = std::make_unique<DeviceFile>(*this, std::move(fd));
    return FileResult::ok;
}

FileResult PosixPlatform::createFile(const std::string& path, std::unique_ptr<OutputFile>& file)
{
    file.reset();
    // What the name is now: nothing, a regular file, a link to one (whose
    // file is replaced, the link kept), or something to write to as it is.
    std::string target = path;
    // The permissions of a file replaced; a new one has those it was made with.
    std::optional<mode_t> mode;
#ifdef __EMSCRIPTEN__
    // The WebAssembly runtime under Node knows no mask of the process (it
    // makes files with no permission at all): the usual ones stand in.
    mode = 0644;
#endif
    struct stat info {};
    bool replacing = false;
    if (::lstat(path.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode) && ::stat(path.c_str(), &info) != 0)
            return FileResult::cannotOpen;
        if (S_ISDIR(info.st_mode))
            return FileResult::cannotOpen;
        if (!S_ISREG(info.st_mode))
            return openDevice(path, file);
        char* real = ::realpath(path.c_str(), nullptr);
        if (real == nullptr)
            return FileResult::cannotOpen;
        target = real;
        std::free(real);
        if (readOnly(target, info))
            return FileResult::readOnly;
        mode = info.st_mode & 0777;
        replacing = true;
    } else if (errno != ENOENT) {
        return FileResult::cannotOpen;
    }
    auto made = std::make_unique<NewFile>(*this, target);
    if (!made->create(mode, replacing ? &info : nullptr))
        return FileResult::cannotOpen;
    file = std::move(made);
    return FileResult::ok;
}

double PosixPlatform::queryFreeSpace(const PathParts& path)
{
    const std::string directory = path.directory.empty() ? "." : path.directory;
    struct statvfs info {};
    if (::statvfs(directory.c_str(), &info) != 0)
        return -1;
    return static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
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

std::string PosixPlatform::messageText(int number)
{
    const std::string utf8 = Platform::messageText(number);
    std::string text;
    return utf8ToText(utf8, TextCoding::locale, text) ? text : utf8;
}

Platform& nativePlatform()
{
    static PosixPlatform platform;
    return platform;
}

}  // namespace korvel
