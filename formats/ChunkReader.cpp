#include "formats/ChunkReader.h"

#include <algorithm>
#include <cstring>

#include "formats/ByteOrder.h"
#include "formats/InputStream.h"

namespace korvel {

ChunkReader::ChunkReader(InputStream* stream) : stream(stream) {}

ChunkReader::~ChunkReader() = default;

const char* ChunkReader::readId()
{
    if (stream == nullptr)
        return nullptr;
    start = stream->tell();
    if (start < 0)
        return nullptr;
    for (int i = 0; i < 4; ++i) {
        int byte = stream->getByte();
        if (byte < 0)
            return nullptr;
        id[i] = static_cast<char>(byte);
    }
    id[4] = '\0';
    consumed = 0;
    return id;
}

int ChunkReader::readByte()
{
    if (stream == nullptr || consumed >= size)
        return -1;
    int byte = stream->getByte();
    if (byte < 0)
        return -1;
    ++consumed;
    return byte;
}

int ChunkReader::read(std::uint8_t* destination, int count)
{
    if (stream == nullptr)
        return -1;
    int k = std::min(count, size - consumed);
    int n = stream->read(destination, k);
    if (n < 0)
        return -1;
    consumed += n;
    return n;
}

int ChunkReader::skip(int count)
{
    if (stream == nullptr)
        return -1;
    int k = std::min(count, size - consumed);
    if (stream->skip(k) < 0)
        return -1;
    consumed += k;
    return k;
}

int ChunkReader::skipRest()
{
    if (stream == nullptr || skip(size - consumed) < 0)
        return -1;
    // A pad byte follows every chunk of odd size; a file may end without it.
    if ((flags & kPadOdd) && (size & 1))
        stream->skip(1);
    return 0;
}

int ChunkReader::find(const char* name)
{
    for (;;) {
        if (readId() == nullptr)
            return -1;
        if (readSize() < 0)
            return -1;
        if (std::memcmp(id, name, 4) == 0) {
            // The chunk must fit in what the stream holds after its header.
            std::int64_t room = static_cast<std::int64_t>(stream->size()) - 8 - start;
            if (room < size)
                return -1;
            consumed = 0;
            return size;
        }
        if (skipRest() < 0)
            return -1;
    }
}

int ChunkReader::seekStream(int position)
{
    if (stream == nullptr || stream->seek(position) < 0)
        return -1;
    size = 0;
    consumed = 0;
    return 0;
}

int ChunkReader::seekInChunk(int offset)
{
    if (stream == nullptr || start < 0 || offset < 0)
        return -1;
    offset = std::min(offset, size);
    std::int64_t target = static_cast<std::int64_t>(start) + 8 + offset;
    if (target > INT32_MAX || stream->seek(static_cast<int>(target)) < 0)
        return -1;
    consumed = offset;
    return 0;
}

int ChunkReader::streamTell()
{
    return stream == nullptr ? -1 : stream->tell();
}

int ChunkReader::dataPosition()
{
    if (stream == nullptr)
        return -1;
    return static_cast<int>(static_cast<std::int64_t>(stream->tell()) - start - 8);
}

int ChunkReader::readSizeIn(bool bigEndian)
{
    if (stream == nullptr)
        return -1;
    int value = bigEndian ? stream->readU32BE() : stream->readU32LE();
    if (stream->hasError() || value < 0)
        return -1;
    size = value;
    consumed = 0;
    return value;
}

int ChunkReader::readU16In(bool bigEndian)
{
    return readU16From([this] { return readByte(); }, bigEndian);
}

int ChunkReader::readU32In(bool bigEndian)
{
    return readU32From([this] { return readByte(); }, bigEndian);
}

}  // namespace korvel
