#pragma once

#include "pipeline/Platform.h"

namespace korvel {

// The services on Windows, through the ANSI functions of the system.
class Win32Platform : public Platform {
public:
    int openFile(const std::string& path, std::unique_ptr<InputFile>& file) override;
    int openStandardInput(std::unique_ptr<InputFile>& file) override;
    // A temporary file beside the target, moved over it on commit.
    int createFile(const std::string& path, std::unique_ptr<OutputFile>& file) override;
    // The volume whose root is the drive letter, or the directory of a path
    // without one (a network path): the bytes available to the user by
    // GetDiskFreeSpaceExA where the system has it, else GetDiskFreeSpaceA's
    // cluster counts.
    double queryFreeSpace(const PathParts& path) override;
    void useUserLocale() override;
    // The system's user-interface language.
    bool japaneseInterface() override;
    // From the program's string table where it has one (the desktop
    // program), else from the message list; in the ANSI code page, as the
    // ANSI functions of the windows and the console take it.
    std::string messageText(int number) override;
};

}  // namespace korvel
