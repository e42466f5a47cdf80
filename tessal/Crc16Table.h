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

// The tables for eight bytes a step: entry i of table k is the register
// after the byte i and then k zero bytes, from a register of 0. Table 0 is
// the table above; each next one is the one before it carried through one
// more zero byte. Eight bytes then change the register by the exclusive or
// of eight independent lookups instead of a chain of eight.
inline constexpr int kCrc16SliceCount = 8;

constexpr std::array<std::array<std::uint16_t, 256>, kCrc16SliceCount> makeCrc16SliceTables()
{
    std::array<std::array<std::uint16_t, 256>, kCrc16SliceCount> tables{};
    tables[0] = makeCrc16Table();
    for (int k = 1; k < kCrc16SliceCount; ++k)
        for (unsigned i = 0; i < 256; ++i) {
            const unsigned r = tables[static_cast<std::size_t>(k - 1)][i];
            tables[static_cast<std::size_t>(k)][i] = static_cast<std::uint16_t>(((r << 8) & 0xFFFF) ^ tables[0][r >> 8]);
        }
    return tables;
}

inline constexpr std::array<std::array<std::uint16_t, 256>, kCrc16SliceCount> kCrc16SliceTables = makeCrc16SliceTables();

// Byte 1 followed by one zero byte: 0x1021 carried through eight more steps.
static_assert(kCrc16SliceTables[1][1] == 0x3331 && kCrc16SliceTables[0][1] == kCrc16Table[1]);

}  // namespace korvel
