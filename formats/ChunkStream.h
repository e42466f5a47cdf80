#pragma once

#include "formats/InputStream.h"

namespace korvel {

class ChunkReader;

// An unbuffered stream whose data is the data of the current chunk of a
// ChunkReader, so that chunks nest: the data of a "RIFF" or "FORM" chunk is
// read as a stream of further chunks. It never reads outside that chunk, and
// its size is the chunk's declared size.
class ChunkStream : public InputStream {
public:
    // The chunk reader is not owned.
    explicit ChunkStream(ChunkReader* chunk);
    ~ChunkStream() override;

    int rawRead(std::uint8_t* destination, int count) override;
    int rawSkip(int count) override;
    int rawSeek(int position) override;
    int rawRewind() override;
    int rawSize() override;

    int getByte() override;
    int read(std::uint8_t* destination, int count) override;
    int skip(int count) override;

    virtual int rawGetByte();

private:
    ChunkReader* chunk;
};

}  // namespace korvel
