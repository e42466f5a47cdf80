#pragma once

#include <memory>

#include "formats/ChunkReader.h"
#include "formats/ChunkStream.h"
#include "formats/SampleSource.h"

namespace korvel {

// The SampleSource over a RIFF/WAVE image of integer PCM: 8-bit unsigned
// (128 is silence) or 16-bit signed little-endian samples, frames
// interleaved. The header is parsed at construction; a refused header leaves
// channels 0. The stream is not owned and must outlive the reader.
//
// The parse does not judge the sample width or the rate; the audio clip does.
class WavReader : public SampleSource {
public:
    explicit WavReader(InputStream* stream);
    ~WavReader() override;

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    int seekFrame(std::int64_t frame) override;

private:
    bool parseHeader();

    RiffChunkReader outer;
    std::unique_ptr<ChunkStream> riffStream;
    std::unique_ptr<RiffChunkReader> inner;
};

}  // namespace korvel
