#include "formats/ChunkStream.h"

#include "formats/ChunkReader.h"

namespace korvel {

ChunkStream::ChunkStream(ChunkReader* chunk) : InputStream(0), chunk(chunk) {}

ChunkStream::~ChunkStream() = default;

int ChunkStream::rawRead(std::uint8_t* destination, int count)
{
    return chunk->read(destination, count);
}

int ChunkStream::rawSkip(int count)
{
    return chunk->skip(count) < 0 ? -1 : 0;
}

int ChunkStream::rawSeek(int position)
{
    return chunk->seekInChunk(position);
}

int ChunkStream::rawRewind()
{
    return chunk->seekInChunk(0);
}

int ChunkStream::rawSize()
{
    return chunk->size;
}

int ChunkStream::rawGetByte()
{
    return chunk->readByte();
}

int ChunkStream::getByte()
{
    if (status & (kAtEnd | kError))
        return -1;
    int byte = rawGetByte();
    if (byte < 0) {
        status |= kAtEnd;
        return -1;
    }
    if (!advancePosition(1))
        return -1;
    return byte;
}

int ChunkStream::read(std::uint8_t* destination, int count)
{
    if (status & (kAtEnd | kError))
        return -1;
    int n = rawRead(destination, count);
    if (n < 0) {
        setFailed();
        return -1;
    }
    if (n == 0) {
        status |= kAtEnd;
        return 0;
    }
    return advancePosition(n) ? n : -1;
}

int ChunkStream::skip(int count)
{
    if (count < 0 || hasError())
        return -1;
    if (rawSkip(count) < 0) {
        setFailed();
        return -1;
    }
    return advancePosition(count) ? 0 : -1;
}

}  // namespace korvel
