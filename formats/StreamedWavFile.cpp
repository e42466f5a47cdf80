#include "formats/StreamedWavFile.h"

#include <algorithm>
#include <cstring>

#include "formats/WavFormat.h"

namespace korvel {

namespace {

std::uint32_t le32(const std::uint8_t* b)
{
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

void putLE32(std::uint8_t* b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The chunks walked before "data" is given up: a WAV header has a few.
constexpr int kMaxChunks = 64;

}  // namespace

std::unique_ptr<StreamedWavFile> StreamedWavFile::of(InputFile& file)
{
    const std::int64_t length = file.size();
    std::uint8_t head[12];
    if (length < 12 || file.readAt(0, head, 12) != 12 || std::memcmp(head, wav::kRiffId, 4) != 0 ||
        std::memcmp(head + 8, wav::kWaveType, 4) != 0)
        return nullptr;
    std::int64_t at = 12;
    for (int i = 0; i < kMaxChunks && at + 8 <= length; ++i) {
        std::uint8_t chunk[8];
        if (file.readAt(at, chunk, 8) != 8)
            return nullptr;
        const std::int64_t size = le32(chunk + 4);
        if (std::memcmp(chunk, wav::kDataId, 4) == 0) {
            if (size != 0 && at + 8 + size <= length)
                return nullptr;
            return std::unique_ptr<StreamedWavFile>(new StreamedWavFile(file, at + 4));
        }
        // Sizes of chunks before the data are written before the data is.
        at += 8 + size + (size & 1);
    }
    return nullptr;
}

StreamedWavFile::StreamedWavFile(InputFile& file, std::int64_t dataSizeAt) : file(file), dataSizeAt(dataSizeAt)
{
    const std::int64_t length = file.size();
    // The counts as far as 32 bits hold them; the data's stays even.
    const std::int64_t data = std::min<std::int64_t>(length - dataSizeAt - 4, 0xFFFFFFF0) & ~std::int64_t{1};
    putLE32(riffSize, static_cast<std::uint32_t>(std::min<std::int64_t>(length - 8, 0xFFFFFFF0)));
    putLE32(dataSize, static_cast<std::uint32_t>(data));
}

int StreamedWavFile::readAt(std::int64_t offset, std::uint8_t* destination, int count)
{
    const int n = file.readAt(offset, destination, count);
    if (n <= 0)
        return n;
    // Each patched field, where the bytes read overlap it.
    const struct {
        std::int64_t at;
        const std::uint8_t* value;
    } fields[] = {{4, riffSize}, {dataSizeAt, dataSize}};
    for (const auto& field : fields)
        for (int k = 0; k < 4; ++k) {
            const std::int64_t where = field.at + k - offset;
            if (where >= 0 && where < n)
                destination[where] = field.value[k];
        }
    return n;
}

}  // namespace korvel
