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

// A fault of a file: where it is and what was expected there.
struct TessalFault {
    std::size_t offset = 0;
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
