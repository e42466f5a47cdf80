#pragma once

#include <array>
#include <cstdint>

namespace korvel {

// The CRC-16 table of the polynomial 0x1021, most significant bit first:
// entry i is i << 8 shifted through eight steps of the polynomial. It is
// computed at compile time; the checks below pin entries 1, 2 and 255.
// With the register preset to 0xFFFF and complemented at the end, the nine
// bytes "123456789" give 0xD64E.
constexpr std::array<std::uint16_t, 256> makeCrc16Table()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned r = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            r = (r & 0x8000) ? (r << 1) ^ 0x1021 : r << 1;
        table[i] = static_cast<std::uint16_t>(r & 0xFFFF);
    }
    return table;
}

inline constexpr std::array<std::uint16_t, 256> kCrc16Table = makeCrc16Table();

static_assert(kCrc16Table[1] == 0x1021 && kCrc16Table[2] == 0x2042 && kCrc16Table[255] == 0x1EF0);

}  // namespace korvel
