#pragma once

#include <memory>

#include "formats/ChunkReader.h"
#include "formats/ChunkStream.h"
#include "formats/SampleSource.h"

namespace korvel {

// The SampleSource over a FORM/AIFF image: big-endian two's-complement
// samples of 1 to 4 bytes per channel, frames interleaved. Wider samples are
// delivered as their top 16 bits. The header is parsed at construction; a
// refused header leaves channels 0. The stream is not owned and must outlive
// the reader.
//
// The chunks inside "FORM" may come in any order. The "FORM" size is taken as
// stated, so an image cut short inside its sound data still parses; reads
// then stop at the end of the image.
class AiffReader : public SampleSource {
public:
    explicit AiffReader(InputStream* stream);
    ~AiffReader() override;

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    int seekFrame(std::int64_t frame) override;

    // Converts an 80-bit big-endian extended-precision number: a sign bit, a
    // 15-bit exponent biased by 16383 and a 64-bit mantissa whose top bit is
    // the integer bit. 40 0E AC 44 00 00 00 00 00 00 is 44100.0. Returns -1,
    // leaving the result untouched, for an exponent of all ones.
    static int decodeExtended(const std::uint8_t bytes[10], double* result);

private:
    bool parseHeader();

    IffChunkReader outer;
    std::unique_ptr<ChunkStream> formStream;
    std::unique_ptr<IffChunkReader> inner;
    // Position of the first sample inside the "SSND" data.
    std::int32_t soundOffset = 0;
};

}  // namespace korvel
