#include "system/PosixPlatform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <random>

#include "system/HiddenFile.h"
#include "tessal/TextCoding.h"

namespace korvel {

namespace {

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A file the caller may not write: no write permission for anyone (which
// holds for the superuser too), or none for this user.
bool readOnly(const std::string& path, const struct stat& info)
{
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

// For tools/compare-speed only: KORVEL_BENCHMARK_NO_SYNC=1 measures a
// conversion without waiting for the disk. A file then replaces the old one
// before it is surely on the disk; nothing else changes.
bool skipSync()
{
    static const bool skip = [] {
        const char* value = std::getenv("KORVEL_BENCHMARK_NO_SYNC");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return skip;
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
    OpenFile(PosixPlatform& platform, int fd, std::int64_t length) : platform(platform), fd(fd), length(length) {}
    ~OpenFile() override { ::close(fd); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    std::int64_t size() const override { return length; }

    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return platform.readFrom(fd, offset, destination, count);
    }

private:
    PosixPlatform& platform;
    int fd;
    std::int64_t length;
};

// A new regular file for target, unnamed (named empty) or under the pending
// hidden name, in the target's directory so that the rename stays on one
// volume. It takes the target's name only on commit.
class PosixPlatform::NewFile : public OutputFile {
public:
    NewFile(PosixPlatform& platform, int fd, std::string target, std::string named)
        : platform(platform), fd(fd), target(std::move(target)), named(std::move(named))
    {
    }
    ~NewFile() override
    {
        if (fd >= 0)
            ::close(fd);
        if (!named.empty() && !committed)
            ::unlink(named.c_str());
        if (!named.empty())
            HiddenFile::disarm();
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    int write(const std::uint8_t* data, std::size_t size) override
    {
        return platform.writeAll(fd, data, size) ? kFileOk : kFileCannotWrite;
    }

    // On the disk first; then the name.
    int commit() override
    {
        if (!skipSync() && ::fsync(fd) != 0)
            return kFileCannotWrite;
        return place();
    }

    // An unnamed file waits without a trace: were the run interrupted, it
    // would vanish with the process.
    bool canWait() const override { return named.empty(); }
    std::uint64_t volume() const override
    {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? static_cast<std::uint64_t>(info.st_dev) : 0;
    }
    std::string folder() const override
    {
        const std::string directory = directoryOf(target);
        return directory.empty() ? "." : directory;
    }
    // Everything written to the file system, this file's bytes among them,
    // in one go: one commit of the journal for a whole batch.
    int syncVolume() override
    {
        if (skipSync())
            return kFileOk;
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
        return ::syncfs(fd) == 0 ? kFileOk : kFileCannotWrite;
#else
        return ::fsync(fd) == 0 ? kFileOk : kFileCannotWrite;
#endif
    }

    // An unnamed file is linked in under the target's name when there is
    // none yet, else under the pending name that then replaces the target,
    // so a name exists only for that moment.
    int place() override
    {
        if (named.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(fd);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
                return finish();
            if (errno != EEXIST || !linkPending(self))
                return kFileCannotWrite;
        }
        // The old file stays open over the rename, so that freeing its
        // blocks comes after it, not inside it: the moment in which the new
        // file has its hidden name is as short as it can be. The new file
        // stays open, and so locked, until it has the target's name.
        const int old = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        const bool renamed = platform.renameFile(named.c_str(), target.c_str()) == 0;
        if (old >= 0)
            ::close(old);
        if (!renamed)
            return kFileCannotWrite;
        return finish();
    }

private:
    int finish()
    {
        committed = true;
        if (!named.empty())
            HiddenFile::disarm();
        return kFileOk;
    }

    // Links the unnamed file under a pending name of its own.
    bool linkPending(const std::string& self)
    {
        if (!HiddenFile::prepare(directoryOf(target)))
            return false;
        char* name = HiddenFile::name();
        for (int attempt = 0; attempt < 100; ++attempt) {
            chooseName(name);
            HiddenFile::arm();
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0) {
                named = name;
                return true;
            }
            HiddenFile::disarm();
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    PosixPlatform& platform;
    int fd;
    std::string target;
    std::string named;
    bool committed = false;
};

// A device or a pipe, written to as it is.
class PosixPlatform::DeviceFile : public OutputFile {
public:
    DeviceFile(PosixPlatform& platform, int fd) : platform(platform), fd(fd) {}
    ~DeviceFile() override
    {
        if (fd >= 0)
            ::close(fd);
    }
    DeviceFile(const DeviceFile&) = delete;
    DeviceFile& operator=(const DeviceFile&) = delete;

    int write(const std::uint8_t* data, std::size_t size) override
    {
        return platform.writeAll(fd, data, size) ? kFileOk : kFileCannotWrite;
    }
    int commit() override
    {
        const int closed = ::close(fd);
        fd = -1;
        return closed == 0 ? kFileOk : kFileCannotWrite;
    }

private:
    PosixPlatform& platform;
    int fd;
};

int PosixPlatform::syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return kFileCannotWrite;
    const bool synced = skipSync() || ::fsync(fd) == 0;
    ::close(fd);
    return synced ? kFileOk : kFileCannotWrite;
}

int PosixPlatform::openFile(const std::string& path, std::unique_ptr<InputFile>& file)
{
    file.reset();
    // Without blocking: a FIFO with no writer would wait forever. Only a
    // regular file is read, and that reads the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return kFileCannotOpen;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return kFileCannotRead;
    }
    file.reset(new (std::nothrow) OpenFile(*this, fd, static_cast<std::int64_t>(info.st_size)));
    if (!file) {
        ::close(fd);
        throw std::bad_alloc();
    }
    return kFileOk;
}

int PosixPlatform::openStandardInput(std::unique_ptr<InputFile>& file)
{
    file.reset();
    struct stat info {};
    if (::fstat(STDIN_FILENO, &info) != 0)
        return kFileCannotOpen;
    if (!S_ISREG(info.st_mode))
        return kFileIsStream;
    const int fd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return kFileCannotOpen;
    file.reset(new (std::nothrow) OpenFile(*this, fd, static_cast<std::int64_t>(info.st_size)));
    if (!file) {
        ::close(fd);
        throw std::bad_alloc();
    }
    return kFileOk;
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
    Spool(PosixPlatform& platform, int fd) : platform(platform), fd(fd) {}
    ~Spool() override { ::close(fd); }
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    std::int64_t size() const override { return length; }
    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        return platform.readFrom(fd, offset, destination, count);
    }
    int append(const std::uint8_t* data, std::size_t size) override
    {
        if (!platform.writeAll(fd, data, size))
            return kFileCannotWrite;
        length += static_cast<std::int64_t>(size);
        return kFileOk;
    }
    int extendTo(std::int64_t offset) override
    {
        if (offset < length || ::ftruncate(fd, static_cast<off_t>(offset)) != 0 ||
            ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset))
            return kFileCannotWrite;
        length = offset;
        return kFileOk;
    }
    double freeSpace() const override
    {
        struct statvfs info {};
        if (::fstatvfs(fd, &info) != 0)
            return -1;
        return static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
    }

private:
    PosixPlatform& platform;
    int fd;
    std::int64_t length = 0;
};

int PosixPlatform::createSpool(std::unique_ptr<SpoolFile>& spool)
{
    spool.reset();
    const char* variable = std::getenv("TMPDIR");
    const std::string directory = variable != nullptr && variable[0] != '\0' ? variable : "/tmp";
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd < 0) {
        // Without unnamed files: a name that goes at once.
        std::string pattern = directory + "/korvel-spool-XXXXXX";
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(pattern.c_str());
    }
    if (fd < 0)
        return kFileCannotOpen;
    spool.reset(new (std::nothrow) Spool(*this, fd));
    if (!spool) {
        ::close(fd);
        throw std::bad_alloc();
    }
    return kFileOk;
}

int PosixPlatform::createFile(const std::string& path, std::unique_ptr<OutputFile>& file)
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
            return kFileCannotOpen;
        if (S_ISDIR(info.st_mode))
            return kFileCannotOpen;
        if (!S_ISREG(info.st_mode)) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            if (fd < 0)
                return kFileCannotOpen;
            file.reset(new (std::nothrow) DeviceFile(*this, fd));
            if (!file) {
                ::close(fd);
                throw std::bad_alloc();
            }
            return kFileOk;
        }
        char* real = ::realpath(path.c_str(), nullptr);
        if (real == nullptr)
            return kFileCannotOpen;
        target = real;
        std::free(real);
        if (readOnly(target, info))
            return kFileReadOnly;
        mode = info.st_mode & 0777;
        replacing = true;
    } else if (errno != ENOENT) {
        return kFileCannotOpen;
    }

    const std::string directory = directoryOf(target);
    HiddenFile::removeStale(directory);
    int fd = -1;
    std::string named;
    if (::access("/proc/self/fd", X_OK) == 0)
        fd = openUnnamed(directory.empty() ? "." : directory.c_str());
    if (fd < 0) {
        // The file system cannot make unnamed files: a hidden name, removed
        // again if the program is interrupted.
        // Armed before the file exists: the name is complete from then on.
        if (!HiddenFile::prepare(directory))
            return kFileCannotOpen;
        HiddenFile::arm();
        fd = makeTemporary(HiddenFile::name());
        if (fd < 0) {
            HiddenFile::disarm();
            return kFileCannotOpen;
        }
        named = HiddenFile::name();
    }
    // Locked before it can have a name, so that no other run takes it for
    // one whose writer is gone.
    ::flock(fd, LOCK_EX);
    // The permissions of the file replaced, and the owner too where the
    // system lets us keep it.
    if (mode)
        ::fchmod(fd, *mode);
    if (replacing && (info.st_uid != ::geteuid() || info.st_gid != ::getegid()))
        (void)::fchown(fd, info.st_uid, info.st_gid);
    file.reset(new (std::nothrow) NewFile(*this, fd, target, named));
    if (!file) {
        ::close(fd);
        if (!named.empty())
            ::unlink(named.c_str());
        HiddenFile::disarm();
        throw std::bad_alloc();
    }
    return kFileOk;
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
