#include "formats/WavReader.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "formats/SampleBlocks.h"
#include "formats/WavFormat.h"

namespace korvel {

WavReader::WavReader(InputStream* stream) : outer(stream)
{
    parseHeader();
}

// The members are released in reverse order: inner first, then riffStream.
WavReader::~WavReader() = default;

// Each step reads a field and checks it at once; the first refusal ends the
// parse. The channel count is stored last, so any refusal leaves it 0.
bool WavReader::parseHeader()
{
    // "find" refuses a "RIFF" chunk larger than what follows its header.
    if (outer.find(wav::kRiffId) < 0)
        return false;
    riffStream = std::make_unique<ChunkStream>(&outer);
    std::uint8_t formType[4];
    if (riffStream->read(formType, 4) != 4 || std::memcmp(formType, wav::kWaveType, 4) != 0)
        return false;

    // Every chunk found inside "RIFF" must fit inside its declared size.
    inner = std::make_unique<RiffChunkReader>(riffStream.get());
    if (inner->find(wav::kFormatId) < 0)
        return false;
    if (inner->readU16() != wav::kFormatPcm)
        return false;
    int count = inner->readU16();
    if (count <= 0)
        return false;
    int rate = inner->readU32();
    if (rate < 0)
        return false;
    format.sampleRate = rate;
    // The byte rate follows from the other fields and is ignored.
    inner->readU32();
    int align = inner->readU16();
    if (align < 0)
        return false;
    bytesPerSample = static_cast<std::uint16_t>(align / count);
    format.blockAlign = static_cast<std::uint16_t>(count * bytesPerSample);
    if (align != format.blockAlign)
        return false;
    int bits = inner->readU16();
    if (bits < 0)
        return false;
    format.bitsPerSample = static_cast<std::uint16_t>(bits);
    if (bytesPerSample != (bits + 7) / 8)
        return false;
    // An extension of the format fields, and the pad byte, are passed over.
    if (inner->skipRest() < 0)
        return false;

    // Chunks between "fmt " and "data", such as "LIST", are passed over.
    if (inner->find(wav::kDataId) < 0)
        return false;
    dataOffset = outer.streamTell();
    if (dataOffset < 0)
        return false;
    format.dataBytes = inner->size;
    if (format.blockAlign == 0)
        return false;
    // A trailing partial frame is not counted.
    format.frameCount = format.dataBytes / format.blockAlign;
    format.channels = static_cast<std::uint16_t>(count);
    return true;
}

// 8-bit samples are unsigned with 128 as silence, 16-bit ones little-endian.
int WavReader::read(std::int16_t* destination, int frames)
{
    if (format.channels == 0 || destination == nullptr)
        return -1;
    if (frames > 0 && bytesPerSample != 1 && bytesPerSample != 2)
        return -1;
    if (frames <= 0)
        return 0;
    if (bytesPerSample == 1)
        return readSampleBlocks(*inner, format.channels, 1, destination, frames,
                                [](const std::uint8_t* b) { return static_cast<std::int16_t>((b[0] - 128) * 256); });
    return readSampleBlocks(*inner, format.channels, 2, destination, frames,
                            [](const std::uint8_t* b) { return static_cast<std::int16_t>(b[0] | (b[1] << 8)); });
}

int WavReader::readBytes(std::uint8_t* destination, int count)
{
    return inner ? inner->read(destination, count) : -1;
}

int WavReader::rewind()
{
    return format.channels == 0 ? -1 : inner->seekInChunk(0);
}

int WavReader::seekFrame(std::int64_t frame)
{
    if (!inner || frame < 0)
        return -1;
    std::int64_t offset = std::min<std::int64_t>(frame, INT_MAX) * format.blockAlign;
    return inner->seekInChunk(static_cast<int>(std::min<std::int64_t>(offset, INT_MAX)));
}

}  // namespace korvel
