#pragma once

#include <string>

namespace korvel {

// The hidden name under which a new file is written where the file system
// cannot make unnamed files: "<directory>.korvel-XXXXXX". One such name is
// pending at a time; while it is armed, SIGINT, SIGTERM or SIGHUP remove
// the file before the program ends, so that an interrupted run leaves
// nothing behind. POSIX only.
class HiddenFile {
public:
    // Makes the name pending in directory (empty or ending in "/"), its six
    // X's left for the caller to replace, and catches the interruptions.
    // False when the name would not fit.
    static bool prepare(const std::string& directory);
    // The pending name, complete once the X's are replaced.
    static char* name();
    // From arm to disarm an interruption removes the file of that name.
    static void arm();
    static void disarm();

    // Removes the hidden files that a run killed outright (SIGKILL, a power
    // cut) left in directory in the moment its finished file had such a
    // name. Each directory is looked at once per run.
    static void removeStale(const std::string& directory);
};

}  // namespace korvel
