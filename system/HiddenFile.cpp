#include "system/HiddenFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <set>

namespace korvel {

namespace {

// The one hidden temporary file that exists at a time under a name, so that
// an interruption can remove it: the name is complete whenever armed is set,
// and a handler reads nothing else.
char pendingName[PATH_MAX];
volatile std::sig_atomic_t pendingArmed = 0;

extern "C" void removePendingAndEnd(int signal)
{
    if (pendingArmed)
        ::unlink(pendingName);
    // The handler was reset on entry (SA_RESETHAND): raised again, the signal
    // ends the program with its usual status once this handler returns.
    ::raise(signal);
}

// Catches the signals that end a program from a terminal or a service
// manager; one the program was started with ignored stays ignored.
void catchInterruptions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction previous {};
            if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
                continue;
            struct sigaction action {};
            action.sa_handler = removePendingAndEnd;
            action.sa_flags = SA_RESETHAND;
            sigemptyset(&action.sa_mask);
            ::sigaction(signal, &action, nullptr);
        }
    });
}

// The hidden names of new files: ".korvel-" and six letters or digits.
constexpr char kHiddenPrefix[] = ".korvel-";
constexpr std::size_t kHiddenNameLength = sizeof kHiddenPrefix - 1 + 6;

}  // namespace

// A writer holds a lock on its hidden file as long as it lives, so a file
// that can be locked is stale.
void HiddenFile::removeStale(const std::string& directory)
{
    static std::set<std::string> looked;
    if (!looked.insert(directory).second)
        return;
    DIR* folder = ::opendir(directory.empty() ? "." : directory.c_str());
    if (folder == nullptr)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        if (std::strncmp(entry->d_name, kHiddenPrefix, sizeof kHiddenPrefix - 1) != 0 ||
            std::strlen(entry->d_name) != kHiddenNameLength)
            continue;
        const std::string name = directory + entry->d_name;
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(name.c_str());
        ::close(fd);
    }
    ::closedir(folder);
}

bool HiddenFile::prepare(const std::string& directory)
{
    static constexpr char kPattern[] = ".korvel-XXXXXX";
    static_assert(sizeof kPattern - 1 == kHiddenNameLength);
    pendingArmed = 0;
    if (directory.size() + sizeof kPattern > sizeof pendingName)
        return false;
    std::memcpy(pendingName, directory.data(), directory.size());
    std::memcpy(pendingName + directory.size(), kPattern, sizeof kPattern);
    catchInterruptions();
    return true;
}

char* HiddenFile::name()
{
    return pendingName;
}

void HiddenFile::arm()
{
    pendingArmed = 1;
}

void HiddenFile::disarm()
{
    pendingArmed = 0;
}

}  // namespace korvel
