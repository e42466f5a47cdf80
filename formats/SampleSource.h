#pragma once

#include <cstdint>

namespace korvel {

// A pull source of 16-bit frames, channel values interleaved, described by a
// format block. The readers of WAV and AIFF images implement it, and so do
// the stages of the resampling chain, which also consume it.
//
// For example, a three-second stereo image at 8000 Hz with 16-bit samples
// has channels 2, bitsPerSample 16, bytesPerSample 2, blockAlign 4,
// sampleRate 8000, frameCount 24000 (frames, not samples) and dataBytes 96000.
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
    virtual int seekFrame(int frame);

    // Copies the whole format block of another source.
    void copyFormat(const SampleSource& other);

    // The format block. A reader whose header parse failed leaves channels 0.
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t bytesPerSample = 0;
    std::uint16_t blockAlign = 0;
    std::int32_t sampleRate = 0;
    std::int32_t dataBytes = 0;
    // Absolute offset of the first sample byte in the image; informational.
    std::int32_t dataOffset = 0;
    std::int32_t frameCount = 0;
};

}  // namespace korvel
