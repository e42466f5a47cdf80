#pragma once

#include "system/Platform.h"

namespace korvel {

// The services on Windows, through the UTF-16 functions of the system:
// names and texts come and go as UTF-8 (WideText).
class Win32Platform : public Platform {
public:
    FileResult openFile(const std::string& path, std::unique_ptr<InputFile>& file) override;
    FileResult openStandardInput(std::unique_ptr<InputFile>& file) override;
    std::int64_t readStandardInput(std::uint8_t* buffer, std::size_t size) override;
    // In the user's temporary folder, deleted by the system when closed.
    FileResult createSpool(std::unique_ptr<SpoolFile>& spool) override;
    // A temporary file beside the target, moved over it on commit.
    FileResult createFile(const std::string& path, std::unique_ptr<OutputFile>& file) override;
    // The volume whose root is the drive letter, or the directory of a path
    // without one (a network path): the bytes available to the user by
    // GetDiskFreeSpaceExW where the system has it, else GetDiskFreeSpaceW's
    // cluster counts.
    double queryFreeSpace(const PathParts& path) override;
    void useUserLocale() override;
    // The system's user-interface language.
    bool japaneseInterface() override;
    // From the program's string table where it has one (the desktop
    // program), else from the message list; in UTF-8, as every text inside.
    std::string messageText(int number) override;
};

}  // namespace korvel
