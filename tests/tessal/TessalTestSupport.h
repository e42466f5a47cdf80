#pragma once

#include <cstring>
#include <sstream>
#include <string>

#include "formats/ClipFormat.h"
#include "tessal/ByteVector.h"
#include "tessal/ContentInfo.h"

namespace korvel::test {

// Bytes written as hexadecimal pairs separated by blanks: "4D 4D 4D 44".
inline ByteVector hex(const std::string& text)
{
    ByteVector out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair)
        out.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    return out;
}

inline ContentInfo contentInfo(std::uint8_t codeType, std::uint8_t permissions, const char* title, const char* date)
{
    ContentInfo info;
    info.codeType = codeType;
    info.permissions = permissions;
    std::strncpy(info.slots[ContentInfo::kSlotTitle], title, ContentInfo::kMaxTextBytes);
    std::strncpy(info.slots[ContentInfo::kSlotDate], date, ContentInfo::kMaxTextBytes);
    return info;
}

inline ClipFormat monoFormat(int rate, int frames)
{
    return ClipFormat::of16Bit(rate, 1, frames);
}

inline std::uint32_t be32At(const ByteVector& v, std::size_t at)
{
    return (std::uint32_t{v[at]} << 24) | (std::uint32_t{v[at + 1]} << 16) | (std::uint32_t{v[at + 2]} << 8) | v[at + 3];
}

inline std::size_t find(const ByteVector& v, const std::string& text, std::size_t from = 0)
{
    for (std::size_t i = from; i + text.size() <= v.size(); ++i)
        if (std::memcmp(v.data() + i, text.data(), text.size()) == 0)
            return i;
    return std::string::npos;
}

}  // namespace korvel::test
