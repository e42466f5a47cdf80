#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel {

// The CRC-16 of a file's bytes computed piece by piece, for files read a
// block at a time: polynomial 0x1021, most significant bit first, preset
// 0xFFFF, final complement. The pieces "1234" and "56789" give 0xD64E, as
// the nine bytes at once do.
class Crc16 {
public:
    void update(const std::uint8_t* data, std::size_t size);
    std::uint16_t value() const;

    // The two check characters a CRC gives, packed so that putBE16 stores
    // them in file order: (crc AND 0x0F) XOR 1 becomes the second character
    // and ((crc >> 8) AND 0x0F) XOR 0xD the first, each as an upper-case
    // hexadecimal digit.
    static std::uint16_t checkCharacters(std::uint16_t crc);

private:
    unsigned state = 0xFFFF;
};

}  // namespace korvel
