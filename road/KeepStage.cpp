#include "road/KeepStage.h"

#include <algorithm>

#include "tessal/AtrWriter.h"

namespace korvel {

KeepStage::KeepStage(SampleSource* upstream) : upstream(upstream)
{
    const ClipFormat& in = upstream->format;
    format = ClipFormat::of16Bit(in.sampleRate, in.channels, AtrWriter::framesKept(in.sampleRate, in.frameCount));
    bytesPerSample = 2;
}

KeepStage::~KeepStage() = default;

int KeepStage::read(std::int16_t* destination, int frames)
{
    if (destination == nullptr || frames < 0)
        return -1;
    const int count = std::min(frames, format.frameCount - delivered);
    if (count <= 0)
        return 0;
    int got = 0;
    if (!upstreamEnded) {
        got = upstream->read(destination, count);
        if (got < 0)
            return got;
        upstreamEnded = got == 0;
    }
    if (upstreamEnded) {
        std::fill_n(destination, static_cast<std::size_t>(count) * format.channels, std::int16_t{0});
        got = count;
    }
    delivered += got;
    return got;
}

int KeepStage::readBytes(std::uint8_t*, int)
{
    return -1;
}

int KeepStage::rewind()
{
    return -1;
}

}  // namespace korvel
