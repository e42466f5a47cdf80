#include "tessal/Crc16.h"

#include "tessal/Crc16Table.h"

namespace korvel {

void Crc16::update(const std::uint8_t* data, std::size_t size)
{
    unsigned r = state;
    for (std::size_t i = 0; i < size; ++i)
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
