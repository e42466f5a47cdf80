#include "tessal/TagValue.h"

#include <cstring>
#include <cwchar>

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

void appendUtf8(ByteVector& out, const char* text, TextCoding coding)
{
    std::u16string units;
    if (!textToUtf16(text, coding, units))
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

void appendEscaped(ByteVector& out, const char* text, TextCoding coding)
{
    std::mbstate_t state{};
    const std::size_t end = std::strlen(text);
    for (std::size_t i = 0; i < end;) {
        const std::size_t n = characterBytes(text + i, end - i, coding, state);
        if (n == 1 && needsEscape(static_cast<std::uint8_t>(text[i])))
            out.push_back('\\');
        out.insert(out.end(), text + i, text + i + n);
        i += n;
    }
}

}  // namespace

int utf8ValueBytes(const char* text, TextCoding coding)
{
    std::u16string units;
    if (!textToUtf16(text, coding, units))
        return -1;
    int length = 0;
    for (const char16_t unit : units)
        length += utf8Length(unit);
    return length;
}

void appendTagValue(ByteVector& out, const char* text, std::uint8_t codeType, TextCoding coding)
{
    if (codeType <= 2)
        appendEscaped(out, text, coding);
    else if (codeType == ContentInfo::kCodeUtf8)
        appendUtf8(out, text, coding);
}

}  // namespace korvel
