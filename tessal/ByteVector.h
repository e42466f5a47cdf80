#pragma once

#include <cstdint>
#include <vector>

namespace korvel {

// The growable byte buffer in which every written file is assembled.
// Positions inside it are held as offsets, never as addresses: an append may
// move the storage. Writers append first and patch sizes and check
// characters afterwards, at offsets turned into addresses only for the patch.
using ByteVector = std::vector<std::uint8_t>;

// Writes into bytes the vector already holds; no growth, no bounds test.
// Each returns 0, or -1 (writing nothing) for a null address.
int putBE32(std::uint8_t* address, std::uint32_t value);
int putLE32(std::uint8_t* address, std::uint32_t value);
int putBE16(std::uint8_t* address, std::uint16_t value);

// Appends in the named byte order; each returns 0.
int appendBE32(ByteVector& out, std::uint32_t value);
int appendLE32(ByteVector& out, std::uint32_t value);
int appendBE16(ByteVector& out, std::uint16_t value);
int appendLE16(ByteVector& out, std::uint16_t value);

// Appends length bytes from source; -1 (vector unchanged) for a null source
// or a length below 1.
int appendBytes(ByteVector& out, const void* source, std::int32_t length);

// Appends a variable-length quantity: 7-bit groups, most significant first,
// bit 7 set on every byte but the last. 127 is 7F, 128 is 81 00, 16384 is
// 81 80 00. Returns the bytes appended (1 to 4), or -1 (nothing appended)
// for a value below 0 or of 2^28 and more, which four groups cannot hold.
int appendVarLen(ByteVector& out, std::int32_t value);

// CRC-16 of every byte of the vector: polynomial 0x1021, most significant
// bit first, preset 0xFFFF, final complement. "123456789" gives 0xD64E.
std::uint16_t crc16(const ByteVector& bytes);

// The two check characters derived from crc16 of the vector, packed so that
// putBE16 stores them in file order: (crc AND 0x0F) XOR 1 becomes the second
// character and ((crc >> 8) AND 0x0F) XOR 0xD the first, each as an
// upper-case hexadecimal digit. "abc" (crc 0xAEB5) gives the characters "34".
std::uint16_t checkDigits(const ByteVector& bytes);

}  // namespace korvel
