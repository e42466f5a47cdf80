#pragma once

#include <cstdint>

namespace korvel {

// The format of a sound: the one description of it that every part of the
// converter uses. A clip and every stage after the reader hold 16-bit
// samples, so for them bitsPerSample is 16 and blockAlign is 2 x channels;
// a reader describes its input as the file states it. dataBytes is a byte
// count, not a byte rate: frameCount x blockAlign. One second of 16-bit
// stereo at 8000 Hz has frameCount 8000 and dataBytes 32000.
//
// It lies with the byte formats, below every stage: the readers' sources,
// the stages of the road, the clip and the writers all describe sound
// with it.
struct ClipFormat {
    std::uint16_t channels = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t blockAlign = 0;
    std::int32_t sampleRate = 0;
    std::int32_t dataBytes = 0;
    std::int32_t frameCount = 0;

    // The format of frames of 16-bit samples: block align and data bytes
    // follow from the channels and the frames (a byte count beyond 32 bits
    // stays at its largest value).
    static ClipFormat of16Bit(int sampleRate, int channels, int frames)
    {
        const std::int64_t bytes = static_cast<std::int64_t>(channels) * frames * 2;
        ClipFormat format;
        format.sampleRate = sampleRate;
        format.channels = static_cast<std::uint16_t>(channels);
        format.frameCount = frames;
        format.bitsPerSample = 16;
        format.blockAlign = static_cast<std::uint16_t>(channels * 2);
        format.dataBytes = static_cast<std::int32_t>(bytes > INT32_MAX ? INT32_MAX : bytes);
        return format;
    }
};

}  // namespace korvel
