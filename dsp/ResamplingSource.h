#pragma once

#include <memory>

#include "dsp/ChannelInterleaver.h"
#include "dsp/ChannelSplitter.h"
#include "dsp/Resampler.h"

namespace korvel {

// Builds and owns the resampling chain over an input: one Resampler for a
// mono input; for a stereo input a splitter, a resampler per channel and an
// interleaver. The resamplers are set up by the caller afterwards, so the
// format block copied at construction still describes the input's rate and
// length. An input of any other channel count builds nothing and reads fail.
class ResamplingSource : public SampleSource {
public:
    // The input is not owned.
    explicit ResamplingSource(SampleSource* input);
    ~ResamplingSource() override;

    int read(std::int16_t* destination, int frames) override;
    int readBytes(std::uint8_t* destination, int count) override;
    int rewind() override;
    int seekFrame(int frame) override;

    bool isStereo() const { return stereo; }
    Resampler* firstResampler() { return first.get(); }
    Resampler* secondResampler() { return second.get(); }
    // Where a whole conversion is read from: the interleaver for a stereo
    // input, the first resampler for a mono one; none for anything else.
    SampleSource* last();

private:
    std::unique_ptr<Resampler> first;
    std::unique_ptr<Resampler> second;
    bool stereo = false;
    SampleSource* input;
    std::unique_ptr<ChannelSplitter> splitter;
    std::unique_ptr<ChannelInterleaver> interleaver;
};

}  // namespace korvel
