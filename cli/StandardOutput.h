#pragma once

#include <cstdio>

#include "system/OutputFile.h"

namespace korvel {

// Standard output as the file a command writes, named "-" on its command
// line: the bytes go out as they are written (in binary on Windows), and
// commit tells whether every one of them went out.
class StandardOutput : public OutputFile {
public:
    StandardOutput();

    FileResult write(const std::uint8_t* data, std::size_t size) override;
    FileResult commit() override;
};

}  // namespace korvel
