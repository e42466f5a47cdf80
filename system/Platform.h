#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/InputFile.h"
#include "system/FileResult.h"
#include "system/OutputFile.h"
#include "system/PathParts.h"
#include "system/SpoolFile.h"

namespace korvel {

// The few services of the operating system that the conversion job needs.
// Each platform has one implementation (PosixPlatform, Win32Platform);
// tests replace single services through subclasses.
class Platform {
public:
    virtual ~Platform();

    // Opens a file for reading, so that other programs may go on reading
    // and writing it. Anything that is not a regular file (a folder, a
    // device, a pipe) is refused at once (FileResult::cannotRead), without
    // waiting for a writer.
    virtual FileResult openFile(const std::string& path, std::unique_ptr<InputFile>& file) = 0;
    // Standard input when it is a regular file (redirected from one): that
    // file, read at any offset. A pipe or a terminal gives FileResult::isStream and
    // no file; its bytes come from readStandardInput (StandardInput keeps
    // what a conversion needs of them).
    virtual FileResult openStandardInput(std::unique_ptr<InputFile>& file) = 0;
    // The next bytes of standard input as they come: their number, 0 at its
    // end, -1 when it cannot be read.
    virtual std::int64_t readStandardInput(std::uint8_t* buffer, std::size_t size);
    // A new, empty temporary file (SpoolFile) where the system keeps them
    // (TMPDIR, else /tmp; the user's temporary folder on Windows).
    // FileResult::ok, or FileResult::cannotOpen.
    virtual FileResult createSpool(std::unique_ptr<SpoolFile>& spool);
    // Starts writing a file under path. A new name or a regular file is
    // written whole or not at all (see OutputFile); a regular file that is
    // read-only is not replaced (FileResult::readOnly), and the new file keeps the
    // permissions of the one it replaces. What the system offers besides
    // (a device, a pipe) is written to as it is. FileResult::cannotOpen when the
    // name cannot be written at all (a folder, a link that leads nowhere).
    virtual FileResult createFile(const std::string& path, std::unique_ptr<OutputFile>& file) = 0;
    // createFile and every byte written; the file then waits for its
    // commit. A failure leaves file empty and nothing in place.
    FileResult writeFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                  std::unique_ptr<OutputFile>& file);
    // writeFile, then commit: a failure leaves no partial file and an
    // existing target untouched.
    FileResult replaceFile(const std::string& path, const std::uint8_t* data, std::size_t size);
    // Makes the names given in a folder durable (OutputFile::folder): where
    // the system keeps them apart from the files' bytes. FileResult::ok, or
    // FileResult::cannotWrite.
    virtual FileResult syncFolder(const std::string& folder);
    // Free bytes of the volume that holds the path's directory (with a drive
    // letter: the volume whose root it is), those the user may take; -1
    // when it cannot be had. A floating-point count keeps sizes beyond 2^32.
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
