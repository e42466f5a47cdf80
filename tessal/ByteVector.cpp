#include "tessal/ByteVector.h"

#include "tessal/Crc16.h"

namespace korvel {

int putBE32(std::uint8_t* address, std::uint32_t value)
{
    if (address == nullptr)
        return -1;
    address[0] = static_cast<std::uint8_t>(value >> 24);
    address[1] = static_cast<std::uint8_t>(value >> 16);
    address[2] = static_cast<std::uint8_t>(value >> 8);
    address[3] = static_cast<std::uint8_t>(value);
    return 0;
}

int putLE32(std::uint8_t* address, std::uint32_t value)
{
    if (address == nullptr)
        return -1;
    address[0] = static_cast<std::uint8_t>(value);
    address[1] = static_cast<std::uint8_t>(value >> 8);
    address[2] = static_cast<std::uint8_t>(value >> 16);
    address[3] = static_cast<std::uint8_t>(value >> 24);
    return 0;
}

int putBE16(std::uint8_t* address, std::uint16_t value)
{
    if (address == nullptr)
        return -1;
    address[0] = static_cast<std::uint8_t>(value >> 8);
    address[1] = static_cast<std::uint8_t>(value);
    return 0;
}

int appendBE32(ByteVector& out, std::uint32_t value)
{
    std::uint8_t bytes[4];
    putBE32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
    return 0;
}

int appendLE32(ByteVector& out, std::uint32_t value)
{
    std::uint8_t bytes[4];
    putLE32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
    return 0;
}

int appendBE16(ByteVector& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
    return 0;
}

int appendLE16(ByteVector& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    return 0;
}

int appendBytes(ByteVector& out, const void* source, std::int32_t length)
{
    if (source == nullptr || length < 1)
        return -1;
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    out.insert(out.end(), bytes, bytes + length);
    return 0;
}

int appendVarLen(ByteVector& out, std::int32_t value)
{
    if (value < 0 || value >= (1 << 28))
        return -1;
    // The groups are gathered least significant first, then appended from
    // the most significant one.
    std::uint32_t groups = static_cast<std::uint32_t>(value) & 0x7F;
    std::uint32_t rest = static_cast<std::uint32_t>(value) >> 7;
    while (rest != 0) {
        groups = (groups << 8) | 0x80 | (rest & 0x7F);
        rest >>= 7;
    }
    int count = 0;
    for (;;) {
        out.push_back(static_cast<std::uint8_t>(groups));
        ++count;
        if (!(groups & 0x80))
            return count;
        groups >>= 8;
    }
}

std::uint16_t crc16(const ByteVector& bytes)
{
    Crc16 crc;
    crc.update(bytes.data(), bytes.size());
    return crc.value();
}

std::uint16_t checkDigits(const ByteVector& bytes)
{
    return Crc16::checkCharacters(crc16(bytes));
}

}  // namespace korvel
