#pragma once

#include <cstdint>

#include "formats/ClipFormat.h"

namespace korvel {

// A pull source of 16-bit frames, channel values interleaved, described by
// a format. The readers of WAV and AIFF images implement it, and so do the
// stages of the conversion road, which also consume it.
//
// For example, a three-second stereo image at 8000 Hz with 16-bit samples
// has the format channels 2, bitsPerSample 16, blockAlign 4, sampleRate
// 8000, frameCount 24000 (frames, not samples) and dataBytes 96000, and
// bytesPerSample 2. A reader describes its input as the file states it (an
// 8-bit file has bitsPerSample 8 and blockAlign 1 per channel) while it
// delivers 16-bit values; every stage after it is 16-bit.
class SampleSource {
public:
    SampleSource() = default;
    SampleSource(const SampleSource&) = delete;
    SampleSource& operator=(const SampleSource&) = delete;

    virtual ~SampleSource();
    // Writes up to frames whole frames into destination; returns the number
    // delivered, 0 at the end, negative on failure.
    virtual int read(std::int16_t* destination, int frames) = 0;
    // Copies undecoded bytes of the sample data; negative when unsupported.
    virtual int readBytes(std::uint8_t* destination, int count) = 0;
    // Back to the first frame; negative when unsupported.
    virtual int rewind() = 0;
    // Positions before the given frame; the base does nothing.
    virtual int seekFrame(std::int64_t frame);

    // Reads until frames frames came or the source ended, however the
    // source parts them: the number delivered, or the source's failure.
    int fill(std::int16_t* destination, int frames);

    // The sound's format. A reader whose header parse failed leaves
    // channels 0.
    ClipFormat format;
    // Bytes that one sample of one channel occupies in the input data.
    std::uint16_t bytesPerSample = 0;
    // Absolute offset of the first sample byte in the image; informational.
    std::int32_t dataOffset = 0;
};

}  // namespace korvel
