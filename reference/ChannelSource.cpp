#include "reference/ChannelSource.h"

#include <algorithm>

namespace korvel {

ChannelSource::ChannelSource(const std::vector<std::int16_t>& samples, int channels, int channel, int sampleRate,
                             int frames)
    : samples(samples), stride(channels), channel(channel)
{
    format = ClipFormat::of16Bit(sampleRate, 1, frames);
    bytesPerSample = 2;
}

ChannelSource::~ChannelSource() = default;

int ChannelSource::read(std::int16_t* destination, int frames)
{
    if (destination == nullptr || frames < 0)
        return -1;
    const int count = std::min(frames, format.frameCount - next);
    for (int i = 0; i < count; ++i)
        destination[i] = samples[static_cast<std::size_t>(next + i) * static_cast<std::size_t>(stride) +
                                 static_cast<std::size_t>(channel)];
    next += count;
    return count;
}

int ChannelSource::readBytes(std::uint8_t*, int)
{
    return -1;
}

int ChannelSource::rewind()
{
    next = 0;
    return 0;
}

}  // namespace korvel
