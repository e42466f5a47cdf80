#include "tessal/TagValue.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "tessal/ContentInfo.h"

namespace korvel {

namespace {

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8Unit(ByteVector& out, char16_t unit)
{
    if (unit < 0x80) {
        out.push_back(static_cast<std::uint8_t>(unit));
    } else if (unit < 0x800) {
        out.push_back(static_cast<std::uint8_t>(0xC0 | (unit >> 6)));
        out.push_back(static_cast<std::uint8_t>(0x80 | (unit & 0x3F)));
    } else {
        out.push_back(static_cast<std::uint8_t>(0xE0 | (unit >> 12)));
        out.push_back(static_cast<std::uint8_t>(0x80 | ((unit >> 6) & 0x3F)));
        out.push_back(static_cast<std::uint8_t>(0x80 | (unit & 0x3F)));
    }
}

// A "," ends a tag's value and a "\" starts an escape, so both are written
// after a "\" in every code type.
bool needsEscape(char16_t unit)
{
    return unit == ',' || unit == '\\';
}

// The bytes a unit takes in a value, its escape included.
int utf8Length(char16_t unit)
{
    return needsEscape(unit) ? 2 : unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
}

void appendUtf8(ByteVector& out, const char* text)
{
    std::u16string units;
    if (!multibyteToUtf16(text, units))
        return;
    int length = 0;
    for (std::size_t i = 0; i < units.size();) {
        // A surrogate pair is one character: it is written whole or not at all.
        const std::size_t count = isHighSurrogate(units[i]) && i + 1 < units.size() && isLowSurrogate(units[i + 1]) ? 2 : 1;
        int bytes = 0;
        for (std::size_t j = 0; j < count; ++j)
            bytes += utf8Length(units[i + j]);
        if (length + bytes > ContentInfo::kMaxTextBytes)
            return;
        for (std::size_t j = 0; j < count; ++j) {
            if (needsEscape(units[i + j]))
                out.push_back('\\');
            appendUtf8Unit(out, units[i + j]);
        }
        length += bytes;
        i += count;
    }
}

void appendEscaped(ByteVector& out, const char* text)
{
    std::mbstate_t state{};
    const std::size_t end = std::strlen(text);
    for (std::size_t i = 0; i < end;) {
        // A double-byte character goes over whole; its trail byte may be 0x5C.
        if (std::mbrlen(text + i, end - i, &state) == 2) {
            out.push_back(static_cast<std::uint8_t>(text[i]));
            out.push_back(static_cast<std::uint8_t>(text[i + 1]));
            i += 2;
            continue;
        }
        state = std::mbstate_t{};
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if (needsEscape(byte))
            out.push_back('\\');
        out.push_back(byte);
        ++i;
    }
}

void appendUnits(std::u16string& units, std::uint32_t c)
{
    if (c > 0xFFFF) {
        const std::uint32_t v = c - 0x10000;
        units.push_back(static_cast<char16_t>(0xD800 | (v >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 | (v & 0x3FF)));
    } else {
        units.push_back(static_cast<char16_t>(c));
    }
}

// Reads well-formed UTF-8 only: no overlong form, no surrogate, nothing
// above U+10FFFF, no sequence cut short.
bool utf8ToUtf16(const char* text, std::u16string& units)
{
    units.clear();
    const auto* b = reinterpret_cast<const unsigned char*>(text);
    for (std::size_t i = 0; b[i] != 0;) {
        const unsigned lead = b[i];
        const int more = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                                                                  : lead >= 0xF0 && lead < 0xF5 ? 3
                                                                                                : -1;
        if (more < 0)
            return false;
        std::uint32_t c = more == 0 ? lead : lead & (0x3Fu >> more);
        for (int k = 1; k <= more; ++k) {
            if ((b[i + k] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (b[i + k] & 0x3Fu);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (c < least[more] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            return false;
        appendUnits(units, c);
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

}  // namespace

bool multibyteToUtf16(const char* text, std::u16string& units)
{
    units.clear();
    const std::size_t length = std::strlen(text);
    std::vector<wchar_t> wide(length + 1);
    const std::size_t n = std::mbstowcs(wide.data(), text, length + 1);
    // A text the locale's character set cannot read (any non-ASCII text
    // under the "C" locale of a service or a container) is most likely
    // UTF-8, which every system around it writes.
    if (n == static_cast<std::size_t>(-1))
        return utf8ToUtf16(text, units);
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<std::uint32_t>(wide[i]);
        if (c > 0x10FFFF)
            return false;
        // Above U+FFFF only where wchar_t holds whole code points.
        appendUnits(units, c);
    }
    // At most as many units as the text has bytes.
    if (units.size() > length)
        units.resize(length);
    return true;
}

void appendTagValue(ByteVector& out, const char* text, std::uint8_t codeType)
{
    if (codeType <= 2)
        appendEscaped(out, text);
    else if (codeType == ContentInfo::kCodeUtf8)
        appendUtf8(out, text);
}

}  // namespace korvel
