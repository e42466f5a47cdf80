#pragma once

#include <cstdint>

#include "tessal/OutputWriter.h"

namespace korvel {

// The base of the Tessal writers: the file is one "MMMD" chunk holding the
// contents information and a track, closed by a CRC-16 of all bytes before it.
class TessalWriter : public OutputWriter {
public:
    ~TessalWriter() override;

    static std::uint16_t crc16(const ByteVector& bytes);
    static std::uint16_t checkDigits(const ByteVector& bytes);
    // The smallest number of ticks that covers ms milliseconds, for the
    // timebase codes 2, 3, 16 and 17 (ticks of 4, 5, 10 and 20 ms); -1 for a
    // negative duration or another code. 100 ms at code 2 are 25 ticks.
    static int msToTicks(int ms, int timebase);

    // Patches the size field of a chunk that starts at offset start: the
    // bytes after the field.
    static void patchSize(ByteVector& chunk, std::size_t start = 0);

protected:
    // Opens out with "MMMD" and a size patched by finish.
    static void begin(ByteVector& out);
    // Patches the "MMMD" size (the file length - 8, the CRC counted) and
    // appends the CRC of everything before it.
    static void finish(ByteVector& out);

    // Used only by the music-track variants.
    std::uint8_t contentsType = 0;
    std::uint8_t trackNumber = 0;
};

}  // namespace korvel
