#pragma once

#include <cstdint>
#include <vector>

#include "system/Platform.h"

namespace korvel {

// The services of the browser page: the Tessal file written into memory,
// and the messages in the page's language. The page hands every sound over
// already open (SoundInput with its file), so nothing is opened by name,
// and nothing reaches a disk or the network.
class PagePlatform : public Platform {
public:
    explicit PagePlatform(bool japanese);

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
    bool japanese;
    std::vector<std::uint8_t> output;
};

}  // namespace korvel
