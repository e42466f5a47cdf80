#pragma once

#include <cstdint>
#include <string>

#include "tessal/ByteVector.h"
#include "tessal/TextCoding.h"

namespace korvel {

// Appends the value of one contents-information tag, the text read in
// `coding`, for the given code type:
// - 0, 1 or 2: the bytes as stored, a "," or "\" preceded by "\"; the bytes
//   of a multibyte character are passed over together, so a trail byte of
//   0x5C in a double-byte code page is not taken for a "\".
// - ContentInfo::kCodeUtf8: the text converted to UTF-8 from UTF-16 units,
//   each surrogate unit encoded by itself in three bytes, a "," or "\"
//   preceded by "\" as above; the value ends before the first character
//   that would take it past 256 bytes (an escape counts and stays with its
//   character), and a surrogate pair counts as one character. A text that
//   textToUtf16 cannot read gives an empty value.
// - any other code type: nothing.
void appendTagValue(ByteVector& out, const char* text, std::uint8_t codeType, TextCoding coding);

// The bytes the whole text takes as a ContentInfo::kCodeUtf8 value, escapes
// included (a character above U+FFFF takes six), so that a text longer than
// a value holds can be refused instead of cut; -1 when textToUtf16 cannot
// read it.
int utf8ValueBytes(const char* text, TextCoding coding);

}  // namespace korvel
