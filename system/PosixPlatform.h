#pragma once

#include <sys/types.h>

#include "system/Platform.h"

namespace korvel {

// The services on Linux and other POSIX systems.
class PosixPlatform : public Platform {
public:
    FileResult openFile(const std::string& path, std::unique_ptr<InputFile>& file) override;
    FileResult openStandardInput(std::unique_ptr<InputFile>& file) override;
    std::int64_t readStandardInput(std::uint8_t* buffer, std::size_t size) override;
    // Unnamed (O_TMPFILE) in TMPDIR, else in /tmp; where the file system
    // cannot, under a name that is removed at once.
    FileResult createSpool(std::unique_ptr<SpoolFile>& spool) override;
    // A new file is made unnamed in the target's directory where the system
    // can (O_TMPFILE) and linked in when it is whole, else under a hidden
    // name ".korvel-XXXXXX" that an interruption by SIGINT, SIGTERM or
    // SIGHUP removes before the program ends. Replacing a file, the whole
    // new one has such a name for the moment of the rename; one left there
    // by a run that was killed is removed by the next run that writes into
    // that directory.
    FileResult createFile(const std::string& path, std::unique_ptr<OutputFile>& file) override;
    // fsync(2) of the folder, which a rename changes.
    FileResult syncFolder(const std::string& folder) override;
    // The volume of the directory, by statvfs: the fragments available to
    // the caller (not those kept for the superuser) x fragment size.
    double queryFreeSpace(const PathParts& path) override;
    void useUserLocale() override;
    // The first of LC_ALL, LC_MESSAGES and LANG that is set names the
    // language; one starting with "ja" is Japanese.
    bool japaneseInterface() override;
    // In the locale's coding where it has every character of the message
    // (a Shift_JIS terminal, say), else in UTF-8.
    std::string messageText(int number) override;

protected:
    // The system calls on files, each in one place, so that a test can make
    // any of them fail: pread(2), write(2), open(2) with O_TMPFILE in a
    // directory, open(2) of a new file under a pattern's name (its last six
    // characters chosen at random) and rename(2).
    virtual ssize_t readSome(int fd, void* buffer, std::size_t size, off_t offset);
    virtual ssize_t writeSome(int fd, const void* data, std::size_t size);
    virtual int openUnnamed(const char* directory);
    virtual int makeTemporary(char* pattern);
    virtual int renameFile(const char* from, const char* to);
    // Whether a file written waits for the disk (fsync(2), syncfs(2)) before
    // it is in place; a benchmark that measures the conversion alone says no.
    virtual bool waitsForTheDisk() const { return true; }

private:
    static void chooseName(char* pattern);

    class OpenFile;
    class NewFile;
    class DeviceFile;
    class Spool;

    FileResult openDevice(const std::string& path, std::unique_ptr<OutputFile>& file);
    int readFrom(int fd, std::int64_t offset, std::uint8_t* destination, int count);
    bool writeAll(int fd, const std::uint8_t* data, std::size_t size);
};

}  // namespace korvel
