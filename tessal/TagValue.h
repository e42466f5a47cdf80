#pragma once

#include <cstdint>
#include <string>

#include "tessal/ByteVector.h"

namespace korvel {

// Converts a zero-terminated string in the current locale's multibyte
// encoding to UTF-16 code units; characters above U+FFFF become surrogate
// pairs whatever the width of wchar_t. A string the locale cannot read is
// read as UTF-8 when it is well-formed UTF-8. False when neither reads it.
bool multibyteToUtf16(const char* text, std::u16string& units);

// Appends the value of one contents-information tag for the given code type:
// - 0, 1 or 2: the bytes as stored, a "," or "\" preceded by "\"; both bytes
//   of a double-byte character of the current locale are passed over, so a
//   trail byte of 0x5C is not taken for a "\".
// - ContentInfo::kCodeUtf8: the text converted to UTF-8 from UTF-16 units,
//   each surrogate unit encoded by itself in three bytes, a "," or "\"
//   preceded by "\" as above; the value ends before the first character
//   that would take it past 256 bytes (an escape counts and stays with its
//   character), and a surrogate pair counts as one character. A text that
//   multibyteToUtf16 cannot read gives an empty value.
// - any other code type: nothing.
void appendTagValue(ByteVector& out, const char* text, std::uint8_t codeType);

}  // namespace korvel
