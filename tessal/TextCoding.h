#pragma once

#include <cstddef>
#include <cwchar>
#include <string>

namespace korvel {

// How the program's texts and paths are encoded in its byte strings.
enum class TextCoding {
    // The multibyte encoding of the current character-type locale (a
    // double-byte code page, say); a text the locale cannot read is read as
    // UTF-8 where it is well-formed UTF-8.
    locale,
    // UTF-8, whatever the locale: the Windows build takes every name and
    // text from the system in UTF-16 and carries it as UTF-8 inside; the
    // WebAssembly build gets them from JavaScript in UTF-8.
    utf8,
};

// The coding of the system the program was built for.
TextCoding nativeTextCoding();

// The bytes of the character that starts at text, of at most `available`
// bytes; 1 for a byte that starts no whole character, so that a walk over
// a text always moves on. `state` carries the locale's shift state.
std::size_t characterBytes(const char* text, std::size_t available, TextCoding coding, std::mbstate_t& state);

// Converts a zero-terminated string in the current locale's multibyte
// encoding to UTF-16 code units; characters above U+FFFF become surrogate
// pairs whatever the width of wchar_t. A string the locale cannot read is
// read as UTF-8 when it is well-formed UTF-8. False when neither reads it.
bool multibyteToUtf16(const char* text, std::u16string& units);

// Converts a zero-terminated text to UTF-16 code units; characters above
// U+FFFF become surrogate pairs whatever the width of wchar_t. False when
// the text cannot be read in the coding.
bool textToUtf16(const char* text, TextCoding coding, std::u16string& units);

// Writes a UTF-8 text (a file's tags, the message list) in the coding, so
// that it reads back as the same characters: as it is where the coding
// reads it so (UTF-8, a UTF-8 locale, and the "C" locale, which falls back
// to UTF-8), else in the locale's own bytes. False when the text is not
// well-formed UTF-8 or the locale has no bytes for one of its characters.
bool utf8ToText(const std::string& utf8, TextCoding coding, std::string& text);

}  // namespace korvel
