#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "formats/InputFile.h"

namespace korvel::test {

// A file held in memory that answers at most `piece` bytes per read, as a
// system may, and fails every read that reaches `failAt` (-1: none). It
// counts the bytes it gives out.
class MemoryFile : public InputFile {
public:
    explicit MemoryFile(std::vector<std::uint8_t> bytes, int piece = 1 << 30, std::int64_t failAt = -1)
        : bytes(std::move(bytes)), piece(piece), failAt(failAt)
    {
    }

    std::int64_t size() const override { return static_cast<std::int64_t>(bytes.size()); }

    int readAt(std::int64_t offset, std::uint8_t* destination, int count) override
    {
        const std::int64_t length = size();
        const std::int64_t n = std::min<std::int64_t>({count, piece, std::max<std::int64_t>(length - offset, 0)});
        if (failAt >= 0 && n > 0 && offset + n > failAt)
            return -1;
        if (n > 0)
            std::memcpy(destination, bytes.data() + offset, static_cast<std::size_t>(n));
        given += n;
        return static_cast<int>(n);
    }

    std::vector<std::uint8_t> bytes;
    int piece;
    std::int64_t failAt;
    std::int64_t given = 0;
};

}  // namespace korvel::test
