#include "road/MonoMixSource.h"

#include <algorithm>

namespace korvel {

namespace {

// Frames of two or more channels read at a time: a buffer that stays in the
// cache, however many frames are asked for.
constexpr int kChunkFrames = 16384;

}  // namespace

MonoMixSource::MonoMixSource(SampleSource* reader) : reader(reader)
{
    format = ClipFormat::of16Bit(reader->format.sampleRate, 1, reader->format.frameCount);
    bytesPerSample = 2;
}

MonoMixSource::~MonoMixSource() = default;

void MonoMixSource::mixChunk(const std::int16_t* in, int width, int frames, std::int16_t* destination)
{
    if (width == 2) {
        for (int i = 0; i < frames; ++i)
            destination[i] = average(in[2 * static_cast<std::size_t>(i)], in[2 * static_cast<std::size_t>(i) + 1]);
        return;
    }
    // More channels: their sum over their number, each with one weight.
    for (int i = 0; i < frames; ++i) {
        int sum = 0;
        for (int c = 0; c < width; ++c)
            sum += in[static_cast<std::size_t>(i) * static_cast<std::size_t>(width) + static_cast<std::size_t>(c)];
        destination[i] = static_cast<std::int16_t>(sum / width);
    }
}

int MonoMixSource::read(std::int16_t* destination, int frames)
{
    if (destination == nullptr || frames < 0)
        return -1;
    const int count = std::min(frames, format.frameCount - delivered);
    if (count <= 0)
        return 0;
    const int width = reader->format.channels;
    // A short read is the end of the reader's data; from there on every
    // frame is silence.
    if (width == 1) {
        // A frame is one sample: the reader fills the destination itself.
        int n = 0;
        if (!readerEnded) {
            n = reader->read(destination, count);
            if (n < 0)
                return n;
            readerEnded = n < count;
        }
        std::fill(destination + n, destination + count, std::int16_t{0});
    } else {
        // A chunk at a time through a small buffer, zeroed first: like the
        // clip's buffer, whatever the reader leaves unwritten is silence,
        // including the missing part of a frame that a file cut short ends in.
        for (int done = 0; done < count;) {
            const int chunk = std::min(count - done, kChunkFrames);
            frameBuffer.assign(static_cast<std::size_t>(chunk) * static_cast<std::size_t>(width), 0);
            if (!readerEnded) {
                const int n = reader->read(frameBuffer.data(), chunk);
                if (n < 0)
                    return n;
                readerEnded = n < chunk;
            }
            mixChunk(frameBuffer.data(), width, chunk, destination + done);
            done += chunk;
        }
    }
    delivered += count;
    return count;
}

int MonoMixSource::readBytes(std::uint8_t*, int)
{
    return -1;
}

int MonoMixSource::rewind()
{
    return -1;
}

}  // namespace korvel
