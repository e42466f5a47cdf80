#pragma once

#include <vector>

#include "formats/SampleSource.h"

namespace korvel {

// Joins two mono sources into stereo frames, the first source's value first.
// Each read asks the first source, then the second for as many samples as
// the first delivered, and returns the second's count.
class ChannelInterleaver : public SampleSource {
public:
    // Neither source is owned.
    ChannelInterleaver(SampleSource* first, SampleSource* second);
    ~ChannelInterleaver() override;

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    int seekFrame(int frame) override;

private:
    SampleSource* first;
    SampleSource* second;
    std::vector<std::int16_t> scratch;
};

}  // namespace korvel
