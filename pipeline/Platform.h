#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/InputFile.h"
#include "pipeline/PathParts.h"

namespace korvel {

// The few services of the operating system that the conversion job needs.
// Each platform has one implementation (PosixPlatform, Win32Platform);
// tests replace single services through subclasses.
class Platform {
public:
    // Results of the file services.
    static constexpr int kFileOk = 0;
    static constexpr int kFileCannotOpen = -1;
    static constexpr int kFileCannotRead = -2;
    static constexpr int kFileTooLarge = -3;
    static constexpr int kFileCannotWrite = -4;

    virtual ~Platform();

    // Opens a file for reading, so that other programs may go on reading
    // and writing it. Files of 2^31 bytes or more are refused unread, and
    // so is anything that is not a file (a folder, a device).
    virtual int openFile(const std::string& path, std::unique_ptr<InputFile>& file) = 0;
    // Reads a whole file opened as openFile opens it. A file that shrinks
    // while it is read is taken as far as it went; a read error is not
    // taken for the end of the file.
    int readFile(const std::string& path, std::vector<std::uint8_t>& contents);
    // Writes a file whole, or not at all: the bytes go into a temporary file
    // beside it, which then replaces the target. A failure leaves no partial
    // file and an existing target untouched.
    virtual int replaceFile(const std::string& path, const std::uint8_t* data, std::size_t size) = 0;
    // Free bytes of the volume that holds the path's directory (with a drive
    // letter: the volume whose root it is), not only those the user may
    // take; -1 when it cannot be had. A floating-point count keeps sizes
    // beyond 2^32.
    virtual double queryFreeSpace(const PathParts& path) = 0;
    // Sets the character-type locale to the user's default, so that texts
    // are read in the code page the user typed them in.
    virtual void useUserLocale() = 0;
    // True when the user interface speaks Japanese.
    virtual bool japaneseInterface() = 0;
    // The text of message `number` in the user-interface language, in the
    // encoding the user interface shows: here UTF-8, from the message list.
    virtual std::string messageText(int number);
};

// The implementation for the platform the program was built for.
Platform& nativePlatform();

}  // namespace korvel
