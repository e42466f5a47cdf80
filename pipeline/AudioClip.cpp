#include "pipeline/AudioClip.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "formats/AiffReader.h"
#include "formats/ByteStream.h"
#include "formats/WavReader.h"
#include "pipeline/ResultCodes.h"

namespace korvel {

namespace {

// Rates a handset file can be made from.
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 48000;
// A clip must play for more than this many whole milliseconds.
constexpr int kMinPlayTimeMs = 20;

// The format checks in the order that decides the result.
int checkFormat(const SampleSource& reader)
{
    if (reader.channels == 0)
        return kInputNotRecognised;
    if (reader.sampleRate < kMinRate || reader.sampleRate > kMaxRate)
        return kUnsupportedRate;
    if (reader.bitsPerSample != 8 && reader.bitsPerSample != 16)
        return kUnsupportedWidth;
    if (reader.channels > 2)
        return kTooManyChannels;
    // Divided first, then scaled, then truncated: at 8000 Hz 168 frames
    // make 21 ms and pass, 167 frames make 20 ms and fail.
    double milliseconds = static_cast<double>(reader.frameCount) / reader.sampleRate * 1000.0;
    if (static_cast<int>(milliseconds) <= kMinPlayTimeMs)
        return kPlayTimeTooShort;
    // The held samples are 16-bit whatever the input's width, so a long
    // 8-bit file can announce more sample bytes than the 32-bit byte count
    // of the clip can describe.
    if (static_cast<std::int64_t>(reader.channels) * reader.frameCount * 2 > INT32_MAX)
        return kInputNotRecognised;
    return kOk;
}

}  // namespace

AudioClip::~AudioClip() = default;

int AudioClip::load(bool isAiff, std::span<const std::uint8_t> image)
{
    if (image.size() > static_cast<std::size_t>(INT_MAX))
        return kInputNotRecognised;
    return load(isAiff, image.data(), static_cast<int>(image.size()));
}

int AudioClip::load(bool isAiff, const std::uint8_t* data, int length)
{
    clear();
    if (data == nullptr || length < 0)
        return kInputNotRecognised;
    ByteStream stream(data, length);
    std::unique_ptr<SampleSource> reader;
    if (isAiff)
        reader = std::make_unique<AiffReader>(&stream);
    else
        reader = std::make_unique<WavReader>(&stream);

    int result = checkFormat(*reader);
    if (result != kOk)
        return result;

    const int channels = reader->channels;
    const int frames = reader->frameCount;
    sampleValues.assign(static_cast<std::size_t>(channels) * static_cast<std::size_t>(frames), 0);
    if (reader->read(sampleValues.data(), frames) < 0)
        return kFailed;

    clipFormat.sampleRate = reader->sampleRate;
    clipFormat.channels = static_cast<std::uint16_t>(channels);
    clipFormat.frameCount = frames;
    clipFormat.bitsPerSample = 16;
    clipFormat.blockAlign = static_cast<std::uint16_t>(channels * 2);
    clipFormat.dataBytes = channels * frames * 2;
    return kOk;
}

int AudioClip::mixDown(int mode)
{
    if (clipFormat.channels <= 1)
        return kOk;
    if (mode != kMixAverage && mode != kMixLeft && mode != kMixRight)
        return kFailed;
    // In place and ascending: the write index i / 2 never passes the read index i.
    const std::size_t n = std::min(sampleValues.size(), static_cast<std::size_t>(clipFormat.channels) *
                                                            static_cast<std::size_t>(clipFormat.frameCount));
    std::int16_t* s = sampleValues.data();
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        int mono = 0;
        if (mode == kMixAverage)
            mono = s[i + 1] / 2 + s[i] / 2;  // each half truncated on its own, so it fits
        else if (mode == kMixLeft)
            mono = s[i];
        else
            mono = s[i + 1];
        s[i / 2] = static_cast<std::int16_t>(mono);
    }
    sampleValues.resize(n / 2);
    clipFormat.channels = 1;
    clipFormat.blockAlign = static_cast<std::uint16_t>(clipFormat.blockAlign >> 1);
    clipFormat.dataBytes /= 2;
    return kOk;
}

int AudioClip::getFormat(ClipFormat* out) const
{
    if (out == nullptr)
        return kBadCall;
    *out = clipFormat;
    return kOk;
}

void AudioClip::clear()
{
    sampleValues.clear();
}

}  // namespace korvel
