#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/InputFile.h"

namespace korvel {

// One chunk of a Tessal file: where it starts, its size field, and how deep
// it lies ("MMMD" is depth 0).
struct TessalChunk {
    std::string id;  // the four bytes, a non-printable one written \xNN
    std::size_t offset = 0;
    std::uint32_t size = 0;
    int depth = 0;
};

// What kind of fault a file has.
enum class TessalFaultKind {
    unreadable,       // the file cannot be read (from the offset on)
    notTessal,        // no "MMMD" at the start, or too short for one
    fileLength,       // the "MMMD" size does not match the file
    truncated,        // a chunk header or a chunk runs past the bytes there are
    tooMany,          // more chunks or tag entries than a file has
    contents,         // the contents information: its head, a tag entry or value
    checkCharacters,  // the check characters of a part do not match its bytes
    track,            // the audio or music track: its head, wave type, sequence, format
    options,          // the option data
    unknownChunk,     // a chunk that has no place there
    duplicate,        // a second contents or track chunk
    missing,          // no track, no check entries, or no wave data
    crc,              // the CRC does not match
};

// The kind's name as "info --json" gives it ("checkCharacters", "crc").
const char* faultKindName(TessalFaultKind kind);

// A fault of a file: where it is, its kind, and what was expected there in
// words for a person.
struct TessalFault {
    std::size_t offset = 0;
    TessalFaultKind kind = TessalFaultKind::unreadable;
    std::string text;
};

// What a Tessal file holds, read without trusting any size: every chunk and
// field is checked against the bytes the file has.
struct TessalFile {
    std::size_t length = 0;
    std::vector<TessalChunk> chunks;
    // 0: the handset audio file ("CNTI" with tags and an "ATR" track);
    // 1 and 2: the music-track files ("OPDA" and "MTR"); -1: not known.
    int variant = -1;
    int contentsType = -1;
    int codeType = -1;
    int copyStatus = -1;
    // The tags in file order, with their values as stored (escapes removed).
    std::vector<std::pair<std::string, std::string>> tags;
    int sampleRate = 0;
    int channels = 0;
    int ticks = -1;
    std::size_t adpcmOffset = 0;
    std::size_t adpcmLength = 0;
    // Empty for a sound file; otherwise in the order of their offsets.
    std::vector<TessalFault> faults;

    bool sound() const { return faults.empty(); }
    bool hasAudio() const { return adpcmLength > 0 && sampleRate > 0 && channels > 0; }
    bool saveAllowed() const { return (copyStatus & 2) == 0; }
    bool transferAllowed() const { return (copyStatus & 1) == 0; }
};

// Reads a file as far as it needs to: its first bytes tell whether it is a
// Tessal file at all; then the chunk heads and the contents information are
// read, and every byte once for the CRC and the check characters, a window
// of 64 KiB at a time. Any file gives a result; what could not be read
// (also a file that ends early) is a fault, and such a fault ends the
// checks.
TessalFile readTessal(InputFile& file);
// The chunks and fields only, without reading every byte for the CRC and
// the check characters: what a caller needs to refuse a file early.
TessalFile readTessalLayout(InputFile& file);
// The same for an image in memory.
TessalFile readTessal(std::span<const std::uint8_t> image);

}  // namespace korvel
