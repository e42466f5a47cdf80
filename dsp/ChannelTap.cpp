#include "dsp/ChannelTap.h"

#include "dsp/ChannelSplitter.h"

namespace korvel {

ChannelTap::ChannelTap(ChannelSplitter* owner, int channel) : owner(owner), channel(channel) {}

ChannelTap::~ChannelTap() = default;

int ChannelTap::read(std::int16_t* destination, int frames)
{
    return owner->readChannel(destination, channel, frames);
}

int ChannelTap::readBytes(std::uint8_t*, int)
{
    return -1;
}

int ChannelTap::rewind()
{
    return -1;
}

int ChannelTap::seekFrame(int)
{
    return 0;
}

}  // namespace korvel
