#include "formats/AiffReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "formats/AiffFormat.h"
#include "formats/SampleBlocks.h"

namespace korvel {

AiffReader::AiffReader(InputStream* stream) : outer(stream)
{
    parseHeader();
}

AiffReader::~AiffReader() = default;

int AiffReader::decodeExtended(const std::uint8_t bytes[10], double* result)
{
    double sign = (bytes[0] & 0x80) ? -1.0 : 1.0;
    int exponent = (bytes[0] & 0x7F) * 256 + bytes[1];
    // The mantissa b2..b9 as a fraction 0 <= s < 1, least significant byte first.
    double fraction = 0.0;
    for (int k = 9; k >= 2; --k)
        fraction = (fraction + bytes[k]) * 0.00390625;
    if (exponent == aiff::kExtendedExponentMax)
        return -1;
    *result = std::pow(2.0, exponent - aiff::kExtendedBias) * (2.0 * fraction) * sign;
    return 0;
}

// Each step reads a field and checks it at once; the first refusal ends the
// parse. The channel count is stored last, so any refusal leaves it 0.
bool AiffReader::parseHeader()
{
    // The image must begin with "FORM"; nothing is searched for.
    const char* formId = outer.readId();
    if (formId == nullptr || std::memcmp(formId, aiff::kFormId, 4) != 0)
        return false;
    if (outer.readSize() < 0)
        return false;
    formStream = std::make_unique<ChunkStream>(&outer);
    std::uint8_t formType[4];
    if (formStream->read(formType, 4) != 4 || std::memcmp(formType, aiff::kAiffType, 4) != 0)
        return false;

    // Every chunk found inside "FORM" must fit inside its declared size.
    inner = std::make_unique<IffChunkReader>(formStream.get());
    int firstChunk = inner->streamTell();
    if (firstChunk < 0)
        return false;
    if (inner->find(aiff::kCommonId) != aiff::kCommonBytes)
        return false;
    int count = inner->readU16();
    if (count <= 0)
        return false;
    // A count of 2^31 or more comes out negative; the clip refuses it later
    // for its play time.
    format.frameCount = inner->readU32();
    int bits = inner->readU16();
    if (bits < 1 || bits > 32)
        return false;
    format.bitsPerSample = static_cast<std::uint16_t>(bits);
    bytesPerSample = static_cast<std::uint16_t>((bits + 7) / 8);
    // A frame must be describable in the 16-bit block align, and the whole
    // sound data in the 32-bit data size.
    int frameBytes = count * bytesPerSample;
    if (frameBytes > UINT16_MAX)
        return false;
    format.blockAlign = static_cast<std::uint16_t>(frameBytes);
    std::int64_t totalBytes = static_cast<std::int64_t>(format.blockAlign) * format.frameCount;
    if (totalBytes > INT32_MAX || totalBytes < INT32_MIN)
        return false;
    format.dataBytes = static_cast<std::int32_t>(totalBytes);

    std::uint8_t extended[aiff::kExtendedBytes];
    if (inner->read(extended, aiff::kExtendedBytes) != aiff::kExtendedBytes)
        return false;
    double rate = 0.0;
    if (decodeExtended(extended, &rate) < 0)
        return false;
    // Written so that not-a-number fails as well: an exponent of 0x43FF or
    // more with a zero mantissa overflows the power to infinity, times zero.
    if (!(rate >= 1.0 && rate <= 2147483647.0))
        return false;
    format.sampleRate = static_cast<std::int32_t>(rate);

    // "SSND" may stand before or after "COMM": search again from the first chunk.
    if (inner->seekStream(firstChunk) < 0)
        return false;
    if (inner->find(aiff::kSoundId) < 0)
        return false;
    int offset = inner->readU32();
    inner->readU32();  // The block size is of no use for reading.
    if (offset < 0)
        return false;
    // An offset beyond the chunk's end is cut to it.
    if (inner->skip(offset) < 0)
        return false;
    int position = inner->dataPosition();
    if (position < 0 || static_cast<std::int64_t>(inner->size) - position < format.dataBytes)
        return false;
    soundOffset = position;
    dataOffset = outer.streamTell();
    if (dataOffset < 0)
        return false;
    format.channels = static_cast<std::uint16_t>(count);
    return true;
}

// Each sample keeps its first two bytes, the high ones: the low byte of a
// 24-bit sample and the low half of a 32-bit one are dropped.
int AiffReader::read(std::int16_t* destination, int frames)
{
    if (destination == nullptr || frames < 0 || !inner || format.channels == 0)
        return -1;
    if (frames > 0 && (bytesPerSample < 1 || bytesPerSample > 4))
        return -1;
    if (frames == 0)
        return 0;
    if (bytesPerSample == 1)
        return readSampleBlocks(*inner, format.channels, 1, destination, frames, [](const std::uint8_t* b) {
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] << 8));
        });
    return readSampleBlocks(*inner, format.channels, bytesPerSample, destination, frames, [](const std::uint8_t* b) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>((b[0] << 8) | b[1]));
    });
}

int AiffReader::readBytes(std::uint8_t* destination, int count)
{
    return inner ? inner->read(destination, count) : -1;
}

int AiffReader::rewind()
{
    return inner ? inner->seekInChunk(soundOffset) : -1;
}

int AiffReader::seekFrame(std::int64_t frame)
{
    if (!inner || frame < 0)
        return -1;
    std::int64_t offset = soundOffset + std::min<std::int64_t>(frame, INT_MAX) * format.blockAlign;
    return inner->seekInChunk(static_cast<int>(std::min<std::int64_t>(offset, INT_MAX)));
}

}  // namespace korvel
