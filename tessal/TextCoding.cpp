#include "tessal/TextCoding.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace korvel {

namespace {

// The length of the well-formed UTF-8 sequence at b, of at most `available`
// bytes, or 0: no overlong form, no surrogate, nothing above U+10FFFF,
// nothing cut short. The code point goes to c.
std::size_t utf8Sequence(const unsigned char* b, std::size_t available, std::uint32_t& c)
{
    const unsigned lead = b[0];
    const std::size_t more = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                                                                       : lead >= 0xF0 && lead < 0xF5 ? 3
                                                                                                     : 4;
    if (more == 4 || more >= available)
        return 0;
    c = more == 0 ? lead : lead & (0x3Fu >> more);
    for (std::size_t k = 1; k <= more; ++k) {
        if ((b[k] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b[k] & 0x3Fu);
    }
    const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[more] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return 0;
    return more + 1;
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

// Reads well-formed UTF-8 only.
bool utf8ToUtf16(const char* text, std::u16string& units)
{
    units.clear();
    const auto* b = reinterpret_cast<const unsigned char*>(text);
    const std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < length;) {
        std::uint32_t c = 0;
        const std::size_t n = utf8Sequence(b + i, length - i, c);
        if (n == 0)
            return false;
        appendUnits(units, c);
        i += n;
    }
    return true;
}

}  // namespace

TextCoding nativeTextCoding()
{
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
    return TextCoding::utf8;
#else
    return TextCoding::locale;
#endif
}

std::size_t characterBytes(const char* text, std::size_t available, TextCoding coding, std::mbstate_t& state)
{
    if (available == 0)
        return 0;
    if (coding == TextCoding::utf8) {
        std::uint32_t c = 0;
        const std::size_t n = utf8Sequence(reinterpret_cast<const unsigned char*>(text), available, c);
        return n == 0 ? 1 : n;
    }
    const std::size_t n = std::mbrlen(text, available, &state);
    if (n == 0 || n > available) {
        state = std::mbstate_t{};
        return 1;
    }
    return n;
}

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

bool textToUtf16(const char* text, TextCoding coding, std::u16string& units)
{
    return coding == TextCoding::utf8 ? utf8ToUtf16(text, units) : multibyteToUtf16(text, units);
}

bool utf8ToText(const std::string& utf8, TextCoding coding, std::string& text)
{
    std::u16string units, read;
    if (utf8.find('\0') != std::string::npos || !utf8ToUtf16(utf8.c_str(), units))
        return false;
    if (textToUtf16(utf8.c_str(), coding, read) && read == units) {
        text = utf8;
        return true;
    }
    // The locale's bytes of each character, checked by reading them back.
    std::string converted;
    std::mbstate_t state{};
    const auto* b = reinterpret_cast<const unsigned char*>(utf8.data());
    for (std::size_t i = 0; i < utf8.size();) {
        std::uint32_t c = 0;
        i += utf8Sequence(b + i, utf8.size() - i, c);
        char bytes[MB_LEN_MAX];
        const std::size_t n = std::wcrtomb(bytes, static_cast<wchar_t>(c), &state);
        if (n == static_cast<std::size_t>(-1) || (sizeof(wchar_t) < 4 && c > 0xFFFF))
            return false;
        converted.append(bytes, n);
    }
    if (!textToUtf16(converted.c_str(), coding, read) || read != units)
        return false;
    text = converted;
    return true;
}

}  // namespace korvel
