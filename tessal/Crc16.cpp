#include "tessal/Crc16.h"

#include "tessal/Crc16Table.h"

namespace korvel {

void Crc16::update(const std::uint8_t* data, std::size_t size)
{
    unsigned r = state;
    std::size_t i = 0;
    // Eight bytes a step: the register meets the first two of them, and
    // each byte is carried through the zero bytes that follow it in the
    // step by its own table.
    const auto& t = kCrc16SliceTables;
    for (; i + kCrc16SliceCount <= size; i += kCrc16SliceCount) {
        const std::uint8_t* b = data + i;
        r = t[7][((r >> 8) ^ b[0]) & 0xFF] ^ t[6][(r ^ b[1]) & 0xFF] ^ t[5][b[2]] ^ t[4][b[3]] ^ t[3][b[4]] ^
            t[2][b[5]] ^ t[1][b[6]] ^ t[0][b[7]];
    }
    for (; i < size; ++i)
        r = kCrc16Table[((r >> 8) ^ data[i]) & 0xFF] ^ ((r << 8) & 0xFFFF);
    state = r;
}

std::uint16_t Crc16::value() const
{
    return static_cast<std::uint16_t>(state ^ 0xFFFF);
}

namespace {

unsigned hexDigit(unsigned value)
{
    return value < 10 ? 0x30 + value : 0x37 + value;
}

}  // namespace

std::uint16_t Crc16::checkCharacters(std::uint16_t crc)
{
    const unsigned low = (crc & 0x0Fu) ^ 0x1;
    const unsigned high = ((crc >> 8) & 0x0Fu) ^ 0xD;
    return static_cast<std::uint16_t>(hexDigit(low) + 256 * hexDigit(high));
}

}  // namespace korvel
