#include "system/PosixNewFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "system/HiddenFile.h"

namespace korvel {

namespace {

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

PosixPlatform::NewFile::NewFile(PosixPlatform& platform, std::string target)
    : platform(platform), target(std::move(target))
{
}

PosixPlatform::NewFile::~NewFile()
{
    fd.close();
    if (!named.empty() && !committed)
        ::unlink(named.c_str());
    if (!named.empty())
        HiddenFile::disarm();
}

bool PosixPlatform::NewFile::create(std::optional<mode_t> mode, const struct stat* replaced)
{
    const std::string directory = directoryOf(target);
    HiddenFile::removeStale(directory);
    if (::access("/proc/self/fd", X_OK) == 0)
        fd = FileDescriptor(platform.openUnnamed(directory.empty() ? "." : directory.c_str()));
    if (!fd.valid()) {
        // The file system cannot make unnamed files: a hidden name, removed
        // again if the program is interrupted. Armed before the file
        // exists: the name is complete from then on.
        if (!HiddenFile::prepare(directory))
            return false;
        HiddenFile::arm();
        fd = FileDescriptor(platform.makeTemporary(HiddenFile::name()));
        if (!fd.valid()) {
            HiddenFile::disarm();
            return false;
        }
        named = HiddenFile::name();
    }
    // Locked before it can have a name, so that no other run takes it for
    // one whose writer is gone.
    ::flock(fd.get(), LOCK_EX);
    // The permissions of the file replaced, and the owner too where the
    // system lets us keep it.
    if (mode)
        ::fchmod(fd.get(), *mode);
    if (replaced != nullptr && (replaced->st_uid != ::geteuid() || replaced->st_gid != ::getegid()))
        (void)::fchown(fd.get(), replaced->st_uid, replaced->st_gid);
    return true;
}

FileResult PosixPlatform::NewFile::write(const std::uint8_t* data, std::size_t size)
{
    return platform.writeAll(fd.get(), data, size) ? FileResult::ok : FileResult::cannotWrite;
}

// On the disk first; then the name.
FileResult PosixPlatform::NewFile::commit()
{
    if (platform.waitsForTheDisk() && ::fsync(fd.get()) != 0)
        return FileResult::cannotWrite;
    return place();
}

std::uint64_t PosixPlatform::NewFile::volume() const
{
    struct stat info {};
    return ::fstat(fd.get(), &info) == 0 ? static_cast<std::uint64_t>(info.st_dev) : 0;
}

std::string PosixPlatform::NewFile::folder() const
{
    const std::string directory = directoryOf(target);
    return directory.empty() ? "." : directory;
}

// Everything written to the file system, this file's bytes among them, in
// one go: one commit of the journal for a whole batch.
FileResult PosixPlatform::NewFile::syncVolume()
{
    if (!platform.waitsForTheDisk())
        return FileResult::ok;
#if defined(__linux__) && !defined(__EMSCRIPTEN__)
    return ::syncfs(fd.get()) == 0 ? FileResult::ok : FileResult::cannotWrite;
#else
    return ::fsync(fd.get()) == 0 ? FileResult::ok : FileResult::cannotWrite;
#endif
}

// An unnamed file is linked in under the target's name when there is none
// yet, else under the pending name that then replaces the target, so a name
// exists only for that moment.
FileResult PosixPlatform::NewFile::place()
{
    if (named.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return finish();
        if (errno != EEXIST || !linkPending(self))
            return FileResult::cannotWrite;
    }
    // The old file stays open over the rename, so that freeing its blocks
    // comes after it, not inside it: the moment in which the new file has
    // its hidden name is as short as it can be. The new file stays open,
    // and so locked, until it has the target's name.
    FileDescriptor old(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    const bool renamed = platform.renameFile(named.c_str(), target.c_str()) == 0;
    old.close();
    if (!renamed)
        return FileResult::cannotWrite;
    return finish();
}

FileResult PosixPlatform::NewFile::finish()
{
    committed = true;
    if (!named.empty())
        HiddenFile::disarm();
    return FileResult::ok;
}

// Links the unnamed file under a pending name of its own.
bool PosixPlatform::NewFile::linkPending(const std::string& self)
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

}  // namespace korvel
