#include "pipeline/MonoMixSource.h"

#include <algorithm>

namespace korvel {

MonoMixSource::MonoMixSource(SampleSource* reader) : reader(reader)
{
    format = ClipFormat::of16Bit(reader->format.sampleRate, 1, reader->format.frameCount);
    bytesPerSample = 2;
}

MonoMixSource::~MonoMixSource() = default;

int MonoMixSource::read(std::int16_t* destination, int frames)
{
    if (destination == nullptr || frames < 0)
        return -1;
    const int count = std::min(frames, format.frameCount - delivered);
    if (count <= 0)
        return 0;
    const int width = reader->format.channels;
    // Zeroed first: like the clip's buffer, whatever the reader leaves
    // unwritten is silence, including the missing half of a frame that a
    // file cut short ends in. A short read is the end of the reader's data.
    frameBuffer.assign(static_cast<std::size_t>(count) * static_cast<std::size_t>(width), 0);
    if (!readerEnded) {
        const int n = reader->read(frameBuffer.data(), count);
        if (n < 0)
            return n;
        if (n < count)
            readerEnded = true;
    }
    const std::int16_t* in = frameBuffer.data();
    if (width == 1) {
        std::copy_n(in, count, destination);
    } else if (width == 2) {
        for (int i = 0; i < count; ++i)
            destination[i] = average(in[2 * static_cast<std::size_t>(i)], in[2 * static_cast<std::size_t>(i) + 1]);
    } else {
        // More channels: their sum over their number, each with one weight.
        for (int i = 0; i < count; ++i) {
            int sum = 0;
            for (int c = 0; c < width; ++c)
                sum += in[static_cast<std::size_t>(i) * static_cast<std::size_t>(width) + static_cast<std::size_t>(c)];
            destination[i] = static_cast<std::int16_t>(sum / width);
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
