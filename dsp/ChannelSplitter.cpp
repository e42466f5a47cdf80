#include "dsp/ChannelSplitter.h"

#include <algorithm>

namespace korvel {

ChannelSplitter::ChannelSplitter(SampleSource* source) : source(source), left(this, 0), right(this, 1)
{
    if (source == nullptr)
        return;
    for (ChannelTap* t : {&left, &right}) {
        t->channels = 1;
        t->bitsPerSample = source->bitsPerSample;
        t->bytesPerSample = source->bytesPerSample;
        t->blockAlign = source->bytesPerSample;
        t->sampleRate = source->sampleRate;
        t->dataOffset = source->dataOffset;
        t->frameCount = source->frameCount;
        t->dataBytes = source->dataBytes / 2;
    }
}

ChannelSplitter::~ChannelSplitter() = default;

int ChannelSplitter::readChannel(std::int16_t* destination, int channel, int frames)
{
    if (source == nullptr || destination == nullptr || frames < 0 || (channel != 0 && channel != 1))
        return -1;
    if (channel == 0) {
        // Both channels have taken everything held: start the buffer afresh.
        if (consumed[0] == consumed[1]) {
            count = 0;
            consumed[0] = 0;
            consumed[1] = 0;
        }
        buffer.resize(2 * (static_cast<std::size_t>(count) + static_cast<std::size_t>(frames)));
        int n = source->read(buffer.data() + 2 * static_cast<std::size_t>(count), frames);
        if (n < 0)
            return -1;
        count += std::min(n, frames);
    }
    int copied = 0;
    int j = consumed[channel];
    while (copied < frames && j < count) {
        destination[copied++] = buffer[2 * static_cast<std::size_t>(j) + static_cast<std::size_t>(channel)];
        ++j;
    }
    consumed[channel] = j;
    return copied;
}

}  // namespace korvel
