#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "system/Platform.h"

namespace korvel {

// The services of the browser page: the one sound file the user chose,
// under its name (read in slices from the browser, or a sound the page
// decoded, in memory), and the Tessal file written into memory. Nothing
// reaches a disk or the network.
class PagePlatform : public Platform {
public:
    // The sound stays the caller's and must outlive the platform.
    PagePlatform(std::string name, InputFile& sound, bool japanese);

    FileResult openFile(const std::string& path, std::unique_ptr<InputFile>& file) override;
    FileResult openStandardInput(std::unique_ptr<InputFile>& file) override;
    FileResult createFile(const std::string& path, std::unique_ptr<OutputFile>& file) override;
    // Memory has room for any file the job makes.
    double queryFreeSpace(const PathParts& path) override;
    // The texts come from JavaScript in UTF-8, whatever the locale.
    void useUserLocale() override;
    bool japaneseInterface() override;

    // The bytes of the file last committed.
    const std::vector<std::uint8_t>& written() const { return output; }

private:
    std::string name;
    InputFile& sound;
    bool japanese;
    std::vector<std::uint8_t> output;
};

}  // namespace korvel
