#include "tessal/TessalWriter.h"

#include "tessal/TessalFormat.h"

namespace korvel {

TessalWriter::~TessalWriter() = default;

std::uint16_t TessalWriter::crc16(const ByteVector& bytes)
{
    return korvel::crc16(bytes);
}

std::uint16_t TessalWriter::checkDigits(const ByteVector& bytes)
{
    return korvel::checkDigits(bytes);
}

int TessalWriter::msToTicks(int ms, int timebase)
{
    if (ms < 0)
        return -1;
    // Widened so that the rounding up cannot overflow.
    const long long d = ms;
    switch (timebase) {
    case tessal::kTimebase4ms:
        return static_cast<int>((d + 3) / 4);
    case tessal::kTimebase5ms:
        return static_cast<int>((d + 4) / 5);
    case tessal::kTimebase10ms:
        return static_cast<int>((d + 9) / 10);
    case tessal::kTimebase20ms:
        return static_cast<int>((d + 19) / 20);
    default:
        return -1;
    }
}

void TessalWriter::begin(ByteVector& out)
{
    appendBytes(out, tessal::kFileId, 4);
    appendBE32(out, 0);
}

void TessalWriter::finish(ByteVector& out)
{
    putBE32(out.data() + 4, static_cast<std::uint32_t>(out.size() - 6));
    appendBE16(out, crc16(out));
}

void TessalWriter::patchSize(ByteVector& chunk, std::size_t start)
{
    putBE32(chunk.data() + start + 4, static_cast<std::uint32_t>(chunk.size() - start - 8));
}

}  // namespace korvel
