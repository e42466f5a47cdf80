#pragma once

#include <cstdint>

namespace korvel {

// 16- and 32-bit values from a source of bytes (a function giving 0..255,
// or -1 when there is none), in either byte order; -1 when a byte is missing.
// In little-endian order the low half of a 32-bit value comes first. Values
// of 2^31 or more come out negative, which callers that test for failure
// refuse as well.
template <typename NextByte>
int readU16From(NextByte next, bool bigEndian)
{
    const int a = next();
    if (a < 0)
        return -1;
    const int b = next();
    if (b < 0)
        return -1;
    return bigEndian ? 256 * a + b : a + 256 * b;
}

template <typename NextByte>
int readU32From(NextByte next, bool bigEndian)
{
    const int first = readU16From(next, bigEndian);
    if (first < 0)
        return -1;
    const int second = readU16From(next, bigEndian);
    if (second < 0)
        return -1;
    const auto low = static_cast<std::uint32_t>(bigEndian ? second : first);
    const auto high = static_cast<std::uint32_t>(bigEndian ? first : second);
    return static_cast<int>(low + 65536u * high);
}

}  // namespace korvel
