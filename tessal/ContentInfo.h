#pragma once

#include <cstdint>

#include "tessal/TextCoding.h"

namespace korvel {

// The texts and flags of a file's contents information. Each slot holds a
// zero-terminated multibyte string of at most 256 bytes; an empty slot is
// left out of the file. The conversion job zeroes the record and fills the
// title, the copyright and the date.
struct ContentInfo {
    static constexpr int kSlotCount = 13;
    static constexpr int kSlotBytes = 257;
    static constexpr int kMaxTextBytes = 256;

    // How the texts are written.
    static constexpr std::uint8_t kCodeUtf8 = 0x23;  // converted from the user's code page to UTF-8

    // Bits of permissions.
    static constexpr std::uint8_t kNoTransfer = 1u << 0;
    static constexpr std::uint8_t kNoSave = 1u << 1;

    // The slots the conversion job fills.
    static constexpr int kSlotTitle = 3;      // tag "ST"
    static constexpr int kSlotCopyright = 8;  // tag "CR"
    static constexpr int kSlotDate = 11;      // tag "CD", eight digits "%Y%m%d"

    // 0, 1 or 2: the bytes as stored, with "," and "\" escaped; kCodeUtf8:
    // converted; any other value: every present tag gets an empty value.
    std::uint8_t codeType = 0;
    // How the slots' bytes are to be read.
    TextCoding coding = TextCoding::locale;
    std::uint8_t permissions = 0;
    char slots[kSlotCount][kSlotBytes] = {};
};

}  // namespace korvel
