#include "formats/SampleSource.h"

namespace korvel {

SampleSource::~SampleSource() = default;

int SampleSource::seekFrame(int)
{
    return 0;
}

void SampleSource::copyFormat(const SampleSource& other)
{
    channels = other.channels;
    bitsPerSample = other.bitsPerSample;
    bytesPerSample = other.bytesPerSample;
    blockAlign = other.blockAlign;
    sampleRate = other.sampleRate;
    dataBytes = other.dataBytes;
    dataOffset = other.dataOffset;
    frameCount = other.frameCount;
}

}  // namespace korvel
