#pragma once

#include <cstdint>
#include <vector>

#include "formats/SampleSource.h"

namespace korvel {

// One channel of frames held in memory, delivered as a mono source: what a
// resampler converts when the whole clip is held. A stereo clip is
// converted as two of them, one resampler each.
class ChannelSource : public SampleSource {
public:
    // Channel channel of the first frames frames of samples, interleaved in
    // frames of channels values; samples must outlive the source.
    ChannelSource(const std::vector<std::int16_t>& samples, int channels, int channel, int sampleRate, int frames);
    ~ChannelSource() override;

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;

private:
    const std::vector<std::int16_t>& samples;
    int stride;
    int channel;
    int next = 0;
};

}  // namespace korvel
