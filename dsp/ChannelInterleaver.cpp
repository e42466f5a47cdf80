#include "dsp/ChannelInterleaver.h"

#include <algorithm>

namespace korvel {

ChannelInterleaver::ChannelInterleaver(SampleSource* first, SampleSource* second) : first(first), second(second)
{
    channels = 2;
    bitsPerSample = first->bitsPerSample;
    bytesPerSample = first->bytesPerSample;
    blockAlign = static_cast<std::uint16_t>(2 * first->bytesPerSample);
    sampleRate = first->sampleRate;
    dataOffset = first->dataOffset;
    dataBytes = 2 * std::min(first->dataBytes, second->dataBytes);
    frameCount = std::min(first->frameCount, second->frameCount);
}

ChannelInterleaver::~ChannelInterleaver() = default;

int ChannelInterleaver::read(std::int16_t* destination, int frames)
{
    if (destination == nullptr)
        return -1;
    const std::size_t room = static_cast<std::size_t>(std::max(frames, 1));
    if (scratch.size() < room)
        scratch.resize(room);
    // A failure of the first side reaches the second as a negative count,
    // which it refuses; either way the result is negative.
    int n = std::min(first->read(scratch.data(), frames), frames);
    for (int i = 0; i < n; ++i)
        destination[2 * i] = scratch[static_cast<std::size_t>(i)];
    n = std::min(second->read(scratch.data(), n), n);
    for (int i = 0; i < n; ++i)
        destination[2 * i + 1] = scratch[static_cast<std::size_t>(i)];
    return n < 0 ? -1 : n;
}

int ChannelInterleaver::readBytes(std::uint8_t*, int)
{
    return -1;
}

int ChannelInterleaver::rewind()
{
    return -1;
}

int ChannelInterleaver::seekFrame(int)
{
    return 0;
}

}  // namespace korvel
