#include "formats/SndfileReader.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "formats/FloatSample.h"
#include "formats/InputFile.h"
#include "formats/SndfileLibrary.h"

namespace korvel {

namespace {

SndfileReader::Cursor& cursorOf(void* data)
{
    return *static_cast<SndfileReader::Cursor*>(data);
}

sf_count_t fileLength(void* data)
{
    return cursorOf(data).file.size();
}

sf_count_t seekTo(sf_count_t offset, int whence, void* data)
{
    SndfileReader::Cursor& cursor = cursorOf(data);
    // A header may ask for any 64-bit offset: a sum past the range is no
    // position at all.
    std::int64_t to = offset;
    if ((whence == SEEK_CUR && __builtin_add_overflow(offset, cursor.offset, &to)) ||
        (whence == SEEK_END && __builtin_add_overflow(offset, cursor.file.size(), &to)) || to < 0)
        return -1;
    cursor.offset = to;
    return to;
}

// Bytes read from the file at a time.
constexpr std::size_t kReadAhead = 64 * 1024;

sf_count_t readInto(void* destination, sf_count_t count, void* data)
{
    SndfileReader::Cursor& cursor = cursorOf(data);
    auto* out = static_cast<std::uint8_t*>(destination);
    sf_count_t done = 0;
    while (done < count) {
        const std::int64_t inBlock = cursor.offset - cursor.blockAt;
        if (inBlock >= 0 && inBlock < static_cast<std::int64_t>(cursor.block.size())) {
            const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count - done),
                                                        cursor.block.size() - static_cast<std::size_t>(inBlock));
            std::copy_n(cursor.block.data() + inBlock, n, out + done);
            done += static_cast<sf_count_t>(n);
            cursor.offset += static_cast<std::int64_t>(n);
            continue;
        }
        // A large request goes straight to the file; a small one fills the block.
        if (count - done >= static_cast<sf_count_t>(kReadAhead)) {
            const int want = static_cast<int>(std::min<sf_count_t>(count - done, INT_MAX));
            const int n = cursor.file.readAt(cursor.offset, out + done, want);
            if (n <= 0)
                break;
            done += n;
            cursor.offset += n;
            continue;
        }
        cursor.block.resize(kReadAhead);
        const int n = cursor.file.readAt(cursor.offset, cursor.block.data(), static_cast<int>(kReadAhead));
        cursor.block.resize(static_cast<std::size_t>(std::max(n, 0)));
        cursor.blockAt = cursor.offset;
        if (n <= 0)
            break;
    }
    return done;
}

sf_count_t writeNothing(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t tell(void* data)
{
    return cursorOf(data).offset;
}

// Frames read from libsndfile at a time.
constexpr int kBlockFrames = 4096;

}  // namespace

SndfileReader::SndfileReader(InputFile& file) : cursor{file, 0, {}, 0}
{
    library = SndfileLibrary::get();
    if (library == nullptr)
        return;
    SF_VIRTUAL_IO io{fileLength, seekTo, readInto, writeNothing, tell};
    SF_INFO info{};
    const SndfileLibrary::Quiet quiet;
    handle = library->openVirtual(&io, SFM_READ, &info, &cursor);
    if (handle == nullptr || info.channels <= 0 || info.channels > UINT16_MAX / 2 || info.samplerate <= 0 ||
        info.frames < 0)
        return;
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    floating = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
    totalFrames = info.frames;
    // The counts in 32 bits, as far as they go: the checks refuse more.
    format = ClipFormat::of16Bit(info.samplerate, info.channels,
                                 static_cast<int>(std::min<std::int64_t>(info.frames, INT32_MAX)));
    bytesPerSample = 2;
}

SndfileReader::~SndfileReader()
{
    if (handle != nullptr) {
        const SndfileLibrary::Quiet quiet;
        library->close(handle);
    }
}

std::string SndfileReader::title() const
{
    if (handle == nullptr)
        return {};
    const char* text = library->getString(handle, SF_STR_TITLE);
    return text != nullptr ? text : "";
}

int SndfileReader::read(std::int16_t* destination, int frames)
{
    if (format.channels == 0 || destination == nullptr || frames < 0)
        return -1;
    const int channels = format.channels;
    const std::size_t blockValues = static_cast<std::size_t>(kBlockFrames) * static_cast<std::size_t>(channels);
    if (floating)
        real.resize(blockValues);
    else
        wide.resize(blockValues);
    const SndfileLibrary::Quiet quiet;
    int done = 0;
    while (done < frames && !decoderStopped) {
        const sf_count_t want = std::min(frames - done, kBlockFrames);
        const sf_count_t got = floating ? library->readFloat(handle, real.data(), want) : library->readInt(handle, wide.data(), want);
        if (got < 0)
            return -1;
        const std::size_t values = static_cast<std::size_t>(got) * static_cast<std::size_t>(channels);
        std::int16_t* out = destination + static_cast<std::size_t>(done) * static_cast<std::size_t>(channels);
        if (floating) {
            for (std::size_t i = 0; i < values; ++i)
                out[i] = sampleOfFloat(real[i]);
        } else {
            // libsndfile gives every integer width left-justified in 32
            // bits; its top 16 bits are the sample.
            for (std::size_t i = 0; i < values; ++i)
                out[i] = static_cast<std::int16_t>(wide[i] >> 16);
        }
        done += static_cast<int>(got);
        // A decoder that meets data it cannot decode (a file cut short or
        // damaged) stops there: the sound is what it decoded. A file that
        // cannot be read at all is told by the file itself.
        if (got < want) {
            decoderStopped = library->error(handle) != SF_ERR_NO_ERROR;
            break;
        }
    }
    return done;
}

int SndfileReader::readBytes(std::uint8_t*, int)
{
    return -1;
}

int SndfileReader::rewind()
{
    return seekFrame(0);
}

int SndfileReader::seekFrame(std::int64_t frame)
{
    if (format.channels == 0 || frame < 0)
        return -1;
    const SndfileLibrary::Quiet quiet;
    return library->seek(handle, frame, SEEK_SET) < 0 ? -1 : 0;
}

}  // namespace korvel
