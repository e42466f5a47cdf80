#pragma once

#include "formats/SampleSource.h"

namespace korvel {

class ChannelSplitter;

// A mono view of one channel of a stereo source, served by the splitter that
// owns it.
class ChannelTap : public SampleSource {
public:
    ChannelTap(ChannelSplitter* owner, int channel);
    ~ChannelTap() override;

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    int seekFrame(int frame) override;

private:
    ChannelSplitter* owner;
    int channel;
};

}  // namespace korvel
