#pragma once

#include <vector>

#include "dsp/ChannelTap.h"

namespace korvel {

// Splits a stereo source into two mono taps. Only channel 0 reads the
// source; channel 1 is served from the frames that channel 0's reads left
// in the buffer. So the consumer of channel 0 must read first and the
// consumer of channel 1 the same amounts after it, as two identically
// set-up resamplers under one interleaver do. Between two channel-0 reads
// the buffer grows to hold every frame read on channel 0's behalf.
class ChannelSplitter {
public:
    // The stereo source is not owned.
    explicit ChannelSplitter(SampleSource* source);
    ChannelSplitter(const ChannelSplitter&) = delete;
    ChannelSplitter& operator=(const ChannelSplitter&) = delete;
    virtual ~ChannelSplitter();

    // Copies up to frames values of the channel (0 or 1); the count copied,
    // or -1 when the source fails or the arguments are bad.
    virtual int readChannel(std::int16_t* destination, int channel, int frames);

    ChannelTap* tap(int channel) { return channel == 0 ? &left : &right; }

private:
    SampleSource* source;
    // Interleaved stereo frames; count of them held.
    std::vector<std::int16_t> buffer;
    int count = 0;
    // Frames of the buffer already delivered to channel 0 and channel 1.
    int consumed[2] = {0, 0};
    ChannelTap left;
    ChannelTap right;
};

}  // namespace korvel
