#include "formats/WidePcmReader.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "formats/AiffFormat.h"
#include "formats/AiffReader.h"
#include "formats/FileWindow.h"
#include "formats/FloatSample.h"
#include "formats/WavFormat.h"

namespace korvel {

namespace {

// The most channels and sample bytes a frame may have: a frame must fit
// the 16-bit block align of a format.
constexpr int kMaxFrameBytes = UINT16_MAX;

// The four characters at offset are the identifier.
bool idAt(FileWindow& window, std::size_t offset, const char (&id)[5])
{
    for (std::size_t i = 0; i < 4; ++i)
        if (window.at(offset + i) != static_cast<std::uint8_t>(id[i]))
            return false;
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
bool findChunk(FileWindow& window, bool bigEndian, const char (&id)[5], Chunk& found)
{
    const auto end = static_cast<std::int64_t>(window.length());
    for (std::int64_t at = 12; at + 8 <= end && !window.failed();) {
        const auto offset = static_cast<std::size_t>(at);
        const std::int64_t size = bigEndian ? window.be32(offset + 4) : window.le32(offset + 4);
        if (idAt(window, offset, id)) {
            found = {at + 8, std::min(size, end - at - 8)};
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// The bits of a 4- or 8-byte value in either byte order.
std::uint64_t bitsAt(const std::uint8_t* b, int bytes, bool bigEndian)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < bytes; ++i)
        bits = (bits << 8) | b[bigEndian ? i : bytes - 1 - i];
    return bits;
}

// A floating-point sample in single precision, as libsndfile hands doubles
// over as floats.
float floatAt(const std::uint8_t* b, int bytes, bool bigEndian)
{
    const std::uint64_t bits = bitsAt(b, bytes, bigEndian);
    if (bytes == 4) {
        const auto narrow = static_cast<std::uint32_t>(bits);
        float value;
        std::memcpy(&value, &narrow, sizeof value);
        return value;
    }
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return static_cast<float>(value);
}

}  // namespace

WidePcmReader::WidePcmReader(InputFile& file) : window(file)
{
    if (idAt(window, 0, wav::kRiffId) && idAt(window, 8, wav::kWaveType))
        parseWav();
    else if (idAt(window, 0, aiff::kFormId) && (idAt(window, 8, aiff::kAiffType) || idAt(window, 8, aiff::kAifcType)))
        parseAiff();
    // A file that could not be read as far as its header is no sound.
    if (window.failed())
        format.channels = 0;
}

bool WidePcmReader::parseWav()
{
    Chunk fmt;
    Chunk data;
    if (!findChunk(window, false, wav::kFormatId, fmt) || fmt.size < 16 || !findChunk(window, false, wav::kDataId, data))
        return false;
    const auto f = static_cast<std::size_t>(fmt.body);
    int tag = static_cast<int>(window.le16(f));
    if (tag == wav::kFormatExtensible && fmt.size >= wav::kExtensibleSubFormatAt + 2)
        tag = static_cast<int>(window.le16(f + wav::kExtensibleSubFormatAt));
    const int channels = static_cast<int>(window.le16(f + 2));
    const int align = static_cast<int>(window.le16(f + 12));
    const int bits = static_cast<int>(window.le16(f + 14));
    if (channels <= 0 || align % channels != 0)
        return false;
    const int sampleBytes = align / channels;
    if (tag == wav::kFormatPcm && sampleBytes >= 1 && sampleBytes <= 4 && bits <= sampleBytes * 8)
        coding = sampleBytes == 1 ? Coding::unsignedInt : Coding::signedInt;
    else if (tag == wav::kFormatFloat && (sampleBytes == 4 || sampleBytes == 8))
        coding = Coding::floating;
    else
        return false;
    format.bitsPerSample = static_cast<std::uint16_t>(bits);
    return describe(channels, sampleBytes, window.le32(f + 4), data.body, data.size);
}

bool WidePcmReader::parseAiff()
{
    bigEndian = true;
    Chunk comm;
    Chunk sound;
    if (!findChunk(window, true, aiff::kCommonId, comm) || comm.size < aiff::kCommonBytes ||
        !findChunk(window, true, aiff::kSoundId, sound) || sound.size < 8)
        return false;
    const auto c = static_cast<std::size_t>(comm.body);
    const int channels = static_cast<int>(window.be16(c));
    const std::int64_t frames = window.be32(c + 2);
    const int bits = static_cast<int>(window.be16(c + 6));
    std::uint8_t extended[aiff::kExtendedBytes];
    for (std::size_t i = 0; i < sizeof extended; ++i)
        extended[i] = window.at(c + 8 + i);
    double rate = 0.0;
    if (AiffReader::decodeExtended(extended, &rate) < 0 || bits < 1 || bits > 64)
        return false;
    const int sampleBytes = (bits + 7) / 8;
    coding = Coding::signedInt;
    if (comm.size >= aiff::kCommonBytes + 4) {
        const std::size_t kind = c + aiff::kCommonBytes;
        if (idAt(window, kind, aiff::kCodingSwapped))
            bigEndian = false;
        else if (idAt(window, kind, aiff::kCodingFloat32) || idAt(window, kind, aiff::kCodingFloat64) ||
                 idAt(window, kind, aiff::kCodingFloat32Capitals) || idAt(window, kind, aiff::kCodingFloat64Capitals))
            coding = Coding::floating;
        else if (!idAt(window, kind, aiff::kCodingNone))
            return false;
    }
    if (coding == Coding::floating ? sampleBytes != 4 && sampleBytes != 8 : sampleBytes > 4)
        return false;
    format.bitsPerSample = static_cast<std::uint16_t>(bits);
    // The samples begin after the offset and block size, and the offset.
    const std::int64_t skip = 8 + static_cast<std::int64_t>(window.be32(static_cast<std::size_t>(sound.body)));
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
    const auto length = static_cast<std::int64_t>(window.length());
    frameTotal = std::max<std::int64_t>(std::min(bytes, length - offset), 0) / format.blockAlign;
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
    if (coding == Coding::floating)
        return sampleOfFloat(floatAt(b, n, bigEndian));
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
    const std::size_t frameBytes = format.blockAlign;
    int done = 0;
    while (done < frames && position < frameTotal) {
        // The whole frames of one window, as many as are wanted.
        std::size_t count = static_cast<std::size_t>(std::min<std::int64_t>(frames - done, frameTotal - position)) * frameBytes;
        const std::uint8_t* bytes = window.block(static_cast<std::size_t>(dataStart + position * format.blockAlign), count);
        const int got = static_cast<int>(count / frameBytes);
        if (got == 0)
            return done > 0 ? done : -1;
        std::int16_t* out = destination + static_cast<std::size_t>(done) * format.channels;
        const std::size_t values = static_cast<std::size_t>(got) * format.channels;
        for (std::size_t i = 0; i < values; ++i)
            out[i] = sampleAt(bytes + i * bytesPerSample);
        done += got;
        position += got;
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
