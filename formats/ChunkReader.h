#pragma once

#include <cstdint>

namespace korvel {

class InputStream;

// Reads a sequence of chunks from a stream: each an 8-byte header (a
// 4-character identifier and a 32-bit size) followed by the chunk's data and,
// after an odd size, one pad byte. The reader tracks how much of the current
// chunk has been consumed, so reads through it never leave the chunk.
// RiffChunkReader reads sizes and integers little-endian, IffChunkReader
// big-endian; nothing else differs.
class ChunkReader {
public:
    static constexpr std::uint32_t kPadOdd = 1u << 0;

    // The stream is not owned.
    explicit ChunkReader(InputStream* stream);
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    virtual ~ChunkReader();
    // The size field of the header; -1 when it is missing or 2^31 or more.
    virtual int readSize() = 0;
    virtual int readU16() = 0;
    virtual int readU32() = 0;

    // Reads the next identifier and remembers where the header starts;
    // nullptr when four bytes cannot be had.
    const char* readId();
    // One byte of the current chunk's data; -1 past its end.
    int readByte();
    int read(std::uint8_t* destination, int count);
    // Skips at most the rest of the chunk and returns the count skipped.
    int skip(int count);
    // Skips the rest of the current chunk and its pad byte.
    int skipRest();
    // Walks forward to the chunk with the given identifier and returns its
    // size, leaving the reader at the start of its data. -1 at the end of
    // the stream, or when the chunk found does not fit in what the stream
    // holds after its header.
    int find(const char* name);
    // Seeks the stream and forgets the current chunk.
    int seekStream(int position);
    // Seeks to an offset inside the current chunk's data (cut to its size).
    int seekInChunk(int offset);
    int streamTell();
    // Position inside the current chunk's data, as the stream sees it.
    int dataPosition();

    // The current chunk; the readers above check these fields directly.
    InputStream* stream;
    char id[5] = {};
    std::int32_t size = 0;
    std::int32_t consumed = 0;
    std::int32_t start = -1;
    std::uint32_t flags = kPadOdd;

protected:
    // The size and integer reads in either byte order.
    int readSizeIn(bool bigEndian);
    int readU16In(bool bigEndian);
    int readU32In(bool bigEndian);
};

// Chunks of a RIFF file: little-endian sizes and integers.
class RiffChunkReader : public ChunkReader {
public:
    using ChunkReader::ChunkReader;
    int readSize() override { return readSizeIn(false); }
    int readU16() override { return readU16In(false); }
    int readU32() override { return readU32In(false); }
};

// Chunks of an IFF file such as AIFF: big-endian sizes and integers.
class IffChunkReader : public ChunkReader {
public:
    using ChunkReader::ChunkReader;
    int readSize() override { return readSizeIn(true); }
    int readU16() override { return readU16In(true); }
    int readU32() override { return readU32In(true); }
};

}  // namespace korvel
