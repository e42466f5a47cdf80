#pragma once

#include <cstdint>

namespace korvel {

// The four characters of a chunk identifier read as one big-endian number,
// as they stand in the file: fourCC("RIFF") is 0x52494646.
constexpr std::uint32_t fourCC(const char (&id)[5])
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(id[0])) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(id[1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(id[2])) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(id[3]));
}

}  // namespace korvel
