#include "dsp/ResamplingSource.h"

namespace korvel {

ResamplingSource::ResamplingSource(SampleSource* input) : input(input)
{
    if (input == nullptr)
        return;
    if (input->channels == 1) {
        first = std::make_unique<Resampler>(input);
        copyFormat(*first);
    } else if (input->channels == 2) {
        stereo = true;
        splitter = std::make_unique<ChannelSplitter>(input);
        first = std::make_unique<Resampler>(splitter->tap(0));
        second = std::make_unique<Resampler>(splitter->tap(1));
        interleaver = std::make_unique<ChannelInterleaver>(first.get(), second.get());
        copyFormat(*interleaver);
    }
}

// The resamplers go first, then the splitter and the interleaver; none of
// them touches another while being destroyed.
ResamplingSource::~ResamplingSource()
{
    first.reset();
    second.reset();
    splitter.reset();
    interleaver.reset();
}

SampleSource* ResamplingSource::last()
{
    if (stereo)
        return interleaver.get();
    return first.get();
}

int ResamplingSource::read(std::int16_t* destination, int frames)
{
    SampleSource* end = last();
    return end != nullptr ? end->read(destination, frames) : -1;
}

int ResamplingSource::readBytes(std::uint8_t*, int)
{
    return -1;
}

int ResamplingSource::rewind()
{
    return -1;
}

int ResamplingSource::seekFrame(int)
{
    return 0;
}

}  // namespace korvel
