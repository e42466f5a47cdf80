#pragma once

#include "pipeline/Platform.h"

namespace korvel {

// The services on Linux and other POSIX systems.
class PosixPlatform : public Platform {
public:
    int readFile(const std::string& path, std::vector<std::uint8_t>& contents) override;
    int replaceFile(const std::string& path, const std::uint8_t* data, std::size_t size) override;
    // The volume of the directory, by statvfs: free fragments x fragment size.
    double queryFreeSpace(const PathParts& path) override;
    void useUserLocale() override;
    // The first of LC_ALL, LC_MESSAGES and LANG that is set names the
    // language; one starting with "ja" is Japanese.
    bool japaneseInterface() override;
};

}  // namespace korvel
