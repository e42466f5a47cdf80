#pragma once

#include <cstdint>
#include <span>

#include "reference/AudioClip.h"
#include "reference/ResultCodes.h"
#include "tessal/ByteVector.h"
#include "tessal/ContentInfo.h"

namespace korvel::test {

// The reference for the conversion road: every step over the whole sound,
// held in memory, as the clip's operations are written: load, mixDown,
// resample, encode. Returns the file's length, or the first refusal; file
// holds the file. The road must give the same result and the same bytes
// while it converts only what the file keeps.
inline int wholeSoundFile(bool isAiff, std::span<const std::uint8_t> image, int outRate, const ContentInfo& info,
                          ByteVector& file, int taps = 256)
{
    file.clear();
    AudioClip clip;
    int result = clip.load(isAiff, image);
    if (result != kOk)
        return result;
    clip.mixDown(AudioClip::kMixAverage);
    result = clip.resample(outRate, taps);
    if (result != kOk)
        return result;
    return clip.encode(AudioClip::kWriterAudioTrack, 0, &info, file);
}

}  // namespace korvel::test
