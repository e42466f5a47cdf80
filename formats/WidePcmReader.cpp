#include "formats/WidePcmReader.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "formats/AiffFormat.h"
#include "formats/AiffReader.h"
#include "formats/FloatSample.h"
#include "formats/WavFormat.h"

namespace korvel {

namespace {

// Frames read from the file at a time.
constexpr int kBlockFrames = 4096;
// The most channels and sample bytes a frame may have: a frame must fit
// the 16-bit block align of a format.
constexpr int kMaxFrameBytes = UINT16_MAX;

std::uint32_t le32(const std::uint8_t* b)
{
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint32_t be32(const std::uint8_t* b)
{
    return (static_cast<std::uint32_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}

unsigned le16(const std::uint8_t* b)
{
    return b[0] | (b[1] << 8);
}

unsigned be16(const std::uint8_t* b)
{
    return (b[0] << 8) | b[1];
}

bool readExactly(InputFile& file, std::int64_t offset, std::uint8_t* to, int count)
{
    int done = 0;
    while (done < count) {
        const int n = file.readAt(offset + done, to + done, count - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A chunk of a RIFF or FORM file: where its body starts and how long it is
// as the file holds it (a size beyond the file's end is cut to it).
struct Chunk {
    std::int64_t body = 0;
    std::int64_t size = 0;
};

// Finds the first chunk with the identifier among those after the form
// type; false when the file has none.
bool findChunk(InputFile& file, bool bigEndian, const char (&id)[5], Chunk& found)
{
    const std::int64_t end = file.size();
    std::int64_t at = 12;
    std::uint8_t head[8];
    while (at + 8 <= end && readExactly(file, at, head, 8)) {
        const std::int64_t size = bigEndian ? be32(head + 4) : le32(head + 4);
        if (std::memcmp(head, id, 4) == 0) {
            found = {at + 8, std::min(size, end - at - 8)};
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

float floatAt(const std::uint8_t* b, bool bigEndian)
{
    const std::uint32_t bits = bigEndian ? be32(b) : le32(b);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float doubleAt(const std::uint8_t* b, bool bigEndian)
{
    const std::uint64_t high = bigEndian ? be32(b) : le32(b + 4);
    const std::uint64_t low = bigEndian ? be32(b + 4) : le32(b);
    const std::uint64_t bits = (high << 32) | low;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    // Single precision first, as libsndfile hands doubles over as floats.
    return static_cast<float>(value);
}

}  // namespace

WidePcmReader::WidePcmReader(InputFile& file) : file(file)
{
    std::uint8_t head[12];
    if (!readExactly(file, 0, head, 12))
        return;
    if (std::memcmp(head, wav::kRiffId, 4) == 0 && std::memcmp(head + 8, wav::kWaveType, 4) == 0)
        parseWav();
    else if (std::memcmp(head, aiff::kFormId, 4) == 0 &&
             (std::memcmp(head + 8, aiff::kAiffType, 4) == 0 || std::memcmp(head + 8, aiff::kAifcType, 4) == 0))
        parseAiff();
}

bool WidePcmReader::parseWav()
{
    Chunk fmt;
    Chunk data;
    std::uint8_t f[wav::kExtensibleSubFormatAt + 2] = {};
    if (!findChunk(file, false, wav::kFormatId, fmt) || fmt.size < 16 ||
        !readExactly(file, fmt.body, f, static_cast<int>(std::min<std::int64_t>(fmt.size, sizeof f))))
        return false;
    int tag = static_cast<int>(le16(f));
    if (tag == wav::kFormatExtensible && fmt.size >= static_cast<std::int64_t>(sizeof f))
        tag = static_cast<int>(le16(f + wav::kExtensibleSubFormatAt));
    const int channels = static_cast<int>(le16(f + 2));
    const int align = static_cast<int>(le16(f + 12));
    const int bits = static_cast<int>(le16(f + 14));
    if (channels <= 0 || align % channels != 0 || !findChunk(file, false, wav::kDataId, data))
        return false;
    const int sampleBytes = align / channels;
    if (tag == wav::kFormatPcm && sampleBytes >= 1 && sampleBytes <= 4 && bits <= sampleBytes * 8)
        coding = sampleBytes == 1 ? Coding::unsignedInt : Coding::signedInt;
    else if (tag == wav::kFormatFloat && (sampleBytes == 4 || sampleBytes == 8))
        coding = Coding::floating;
    else
        return false;
    format.bitsPerSample = static_cast<std::uint16_t>(bits);
    return describe(channels, sampleBytes, le32(f + 4), data.body, data.size);
}

bool WidePcmReader::parseAiff()
{
    bigEndian = true;
    Chunk comm;
    Chunk sound;
    std::uint8_t c[aiff::kCommonBytes + 4] = {};
    std::uint8_t s[8];
    if (!findChunk(file, true, aiff::kCommonId, comm) || comm.size < aiff::kCommonBytes ||
        !readExactly(file, comm.body, c, static_cast<int>(std::min<std::int64_t>(comm.size, sizeof c))) ||
        !findChunk(file, true, aiff::kSoundId, sound) || sound.size < 8 || !readExactly(file, sound.body, s, 8))
        return false;
    const int channels = static_cast<int>(be16(c));
    const std::int64_t frames = be32(c + 2);
    const int bits = static_cast<int>(be16(c + 6));
    double rate = 0.0;
    if (AiffReader::decodeExtended(c + 8, &rate) < 0 || bits < 1 || bits > 64)
        return false;
    const int sampleBytes = (bits + 7) / 8;
    coding = Coding::signedInt;
    if (comm.size >= static_cast<std::int64_t>(sizeof c)) {
        const std::uint8_t* kind = c + aiff::kCommonBytes;
        if (std::memcmp(kind, aiff::kCodingSwapped, 4) == 0)
            bigEndian = false;
        else if (std::memcmp(kind, aiff::kCodingFloat32, 4) == 0 || std::memcmp(kind, aiff::kCodingFloat64, 4) == 0 ||
                 std::memcmp(kind, aiff::kCodingFloat32Capitals, 4) == 0 ||
                 std::memcmp(kind, aiff::kCodingFloat64Capitals, 4) == 0)
            coding = Coding::floating;
        else if (std::memcmp(kind, aiff::kCodingNone, 4) != 0)
            return false;
    }
    if (coding == Coding::floating ? sampleBytes != 4 && sampleBytes != 8 : sampleBytes > 4)
        return false;
    format.bitsPerSample = static_cast<std::uint16_t>(bits);
    // The samples begin after the offset and block size, and the offset.
    const std::int64_t skip = 8 + static_cast<std::int64_t>(be32(s));
    const std::int64_t bytes = std::min(std::max<std::int64_t>(sound.size - skip, 0),
                                        frames * channels * sampleBytes);
    return describe(channels, sampleBytes, rate, sound.body + skip, bytes);
}

bool WidePcmReader::describe(int channels, int sampleBytes, double rate, std::int64_t offset, std::int64_t bytes)
{
    // Written so that not-a-number fails as well.
    if (channels <= 0 || channels * sampleBytes > kMaxFrameBytes || !(rate >= 1.0 && rate <= INT32_MAX))
        return false;
    bytesPerSample = static_cast<std::uint16_t>(sampleBytes);
    format.blockAlign = static_cast<std::uint16_t>(channels * sampleBytes);
    format.sampleRate = static_cast<std::int32_t>(rate);
    dataStart = offset;
    frameTotal = std::max<std::int64_t>(std::min(bytes, file.size() - offset), 0) / format.blockAlign;
    format.frameCount = static_cast<std::int32_t>(std::min<std::int64_t>(frameTotal, INT32_MAX));
    format.dataBytes = static_cast<std::int32_t>(std::min<std::int64_t>(frameTotal * format.blockAlign, INT32_MAX));
    dataOffset = static_cast<std::int32_t>(std::min<std::int64_t>(offset, INT32_MAX));
    format.channels = static_cast<std::uint16_t>(channels);
    return true;
}

// The two most significant bytes of an integer sample are its 16 bits; a
// single byte is the high byte, with 128 as silence in WAV's unsigned form.
std::int16_t WidePcmReader::sampleAt(const std::uint8_t* b) const
{
    const int n = bytesPerSample;
    if (coding == Coding::floating) {
        return sampleOfFloat(n == 4 ? floatAt(b, bigEndian) : doubleAt(b, bigEndian));
    }
    if (n == 1)
        return static_cast<std::int16_t>(((coding == Coding::unsignedInt ? b[0] - 128 : static_cast<std::int8_t>(b[0])) * 256));
    const std::uint8_t high = bigEndian ? b[0] : b[n - 1];
    const std::uint8_t next = bigEndian ? b[1] : b[n - 2];
    return static_cast<std::int16_t>((high << 8) | next);
}

int WidePcmReader::read(std::int16_t* destination, int frames)
{
    if (format.channels == 0 || destination == nullptr || frames < 0)
        return -1;
    const int frameBytes = format.blockAlign;
    int done = 0;
    while (done < frames && position < frameTotal) {
        const int want = static_cast<int>(std::min<std::int64_t>({frames - done, kBlockFrames, frameTotal - position}));
        block.resize(static_cast<std::size_t>(want) * static_cast<std::size_t>(frameBytes));
        if (!readExactly(file, dataStart + position * frameBytes, block.data(), static_cast<int>(block.size())))
            return done > 0 ? done : -1;
        std::int16_t* out = destination + static_cast<std::size_t>(done) * format.channels;
        const std::size_t values = static_cast<std::size_t>(want) * format.channels;
        for (std::size_t i = 0; i < values; ++i)
            out[i] = sampleAt(block.data() + i * bytesPerSample);
        done += want;
        position += want;
    }
    return done;
}

int WidePcmReader::readBytes(std::uint8_t*, int)
{
    return -1;
}

int WidePcmReader::rewind()
{
    return seekFrame(0);
}

int WidePcmReader::seekFrame(std::int64_t frame)
{
    if (format.channels == 0 || frame < 0)
        return -1;
    position = std::min(frame, frameTotal);
    return 0;
}

}  // namespace korvel
