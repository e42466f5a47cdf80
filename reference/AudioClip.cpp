#include "reference/AudioClip.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <new>

#include "dsp/AdpcmCodec.h"
#include "dsp/Resampler.h"
#include "formats/ByteStream.h"
#include "reference/ChannelSource.h"
#include "road/MonoMixSource.h"
#include "road/ResampleStage.h"
#include "reference/ResultCodes.h"
#include "road/SourceStage.h"
#include "reference/WavImage.h"
#include "tessal/AtrWriter.h"
#include "tessal/ContentInfo.h"
#include "reference/MtrProWriter.h"
#include "reference/MtrWriter.h"

namespace korvel {

namespace {

// The readers take a 32-bit length: a longer image is refused, not cut.
bool fitsReader(std::span<const std::uint8_t> image)
{
    return image.size() <= static_cast<std::size_t>(INT_MAX);
}

}  // namespace

AudioClip::~AudioClip() = default;

int AudioClip::check(bool isAiff, std::span<const std::uint8_t> image, ClipFormat* format)
{
    if (!fitsReader(image))
        return kInputNotRecognised;
    ByteStream stream(image.data(), static_cast<int>(image.size()));
    return check(isAiff, stream, format);
}

int AudioClip::check(bool isAiff, InputStream& file, ClipFormat* format)
{
    const SourceStage opened(isAiff, file);
    if (opened.result() == StageResult::ok && format != nullptr)
        *format = opened.format();
    return resultCode(opened.result());
}

int AudioClip::load(bool isAiff, std::span<const std::uint8_t> image)
{
    if (!fitsReader(image))
        return kInputNotRecognised;
    return load(isAiff, image.data(), static_cast<int>(image.size()));
}

int AudioClip::load(bool isAiff, const std::uint8_t* data, int length)
{
    clear();
    if (data == nullptr || length < 0)
        return kInputNotRecognised;
    ByteStream stream(data, length);
    SourceStage opened(isAiff, stream);
    if (opened.result() != StageResult::ok)
        return resultCode(opened.result());
    const ClipFormat format = opened.format();
    sampleValues.assign(static_cast<std::size_t>(format.channels) * static_cast<std::size_t>(format.frameCount), 0);
    if (opened.reader().read(sampleValues.data(), format.frameCount) < 0)
        return kFailed;
    clipFormat = format;
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
            mono = MonoMixSource::average(s[i], s[i + 1]);
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

int AudioClip::writeWav(ByteVector& out) const
{
    writeWavImage(clipFormat, sampleValues, out);
    return kOk;
}

int AudioClip::resample(int outRate, int taps)
{
    if (clipFormat.sampleRate == outRate)
        return kOk;
    const int channels = clipFormat.channels;
    if (channels != 1 && channels != 2)
        return kFailed;
    const int frames = static_cast<int>(std::min(static_cast<std::size_t>(std::max(clipFormat.frameCount, 0)),
                                                 sampleValues.size() / static_cast<std::size_t>(channels)));
    // Each channel is converted on its own, with the same stage as a mono
    // clip; the clip changes only once every channel is converted.
    std::vector<std::int16_t> converted;
    std::vector<std::int16_t> one;
    int outFrames = 0;
    for (int c = 0; c < channels; ++c) {
        ChannelSource source(sampleValues, channels, c, clipFormat.sampleRate, frames);
        Resampler resampler(&source);
        if (ResampleStage::setup(resampler, clipFormat.dataBytes, outRate, taps) != StageResult::ok)
            return kFailed;
        if (c == 0) {
            outFrames = resampler.format.frameCount;
            converted.assign(static_cast<std::size_t>(channels) * static_cast<std::size_t>(outFrames), 0);
        }
        one.assign(static_cast<std::size_t>(outFrames), 0);
        if (resampler.read(one.data(), outFrames) < 0)
            return kFailed;
        for (int f = 0; f < outFrames; ++f)
            converted[static_cast<std::size_t>(f) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                one[static_cast<std::size_t>(f)];
    }
    sampleValues = std::move(converted);
    clipFormat = ClipFormat::of16Bit(outRate, channels, outFrames);
    return kOk;
}

int AudioClip::encode(int writerType, int flag, const ContentInfo* contentInfo, std::uint8_t* destination,
                      int capacity)
{
    if (destination == nullptr)
        return kBadCall;
    ByteVector file;
    const int length = encode(writerType, flag, contentInfo, file);
    if (length < 0)
        return length;
    if (file.size() > static_cast<std::size_t>(std::max(capacity, 0)))
        return kOutputTooSmall;
    std::copy(file.begin(), file.end(), destination);
    return length;
}

int AudioClip::encode(int writerType, int flag, const ContentInfo* contentInfo, ByteVector& file)
{
    file.clear();
    if (sampleValues.empty() || flag != 0 || contentInfo == nullptr)
        return kBadCall;
    const std::size_t payloadBytes = (static_cast<std::size_t>(std::max(clipFormat.dataBytes, 0)) + 3) / 4;
    ByteVector adpcm(payloadBytes, 0);
    const std::size_t frames = std::min(static_cast<std::size_t>(std::max(clipFormat.frameCount, 0)),
                                        sampleValues.size() / std::max<std::size_t>(clipFormat.channels, 1));
    // What the samples fill of the payload; the rest stays 0.
    const std::size_t coded =
        clipFormat.channels == 2 ? std::min(frames, payloadBytes) : std::min(frames, 2 * payloadBytes);
    if (clipFormat.channels == 1 || clipFormat.channels == 2)
        AdpcmCodec(clipFormat.channels).encode(sampleValues.data(), coded, adpcm.data());

    std::unique_ptr<OutputWriter> writer;
    switch (writerType) {
    case kWriterAudioTrack:
        writer.reset(new (std::nothrow) AtrWriter);
        break;
    case kWriterMusicTrack:
        writer.reset(new (std::nothrow) MtrWriter);
        break;
    case kWriterMusicTrackPro:
        writer.reset(new (std::nothrow) MtrProWriter);
        break;
    default:
        return kBadCall;
    }
    if (!writer)
        return kWriterNotCreated;

    const int built = writer->build(0, *contentInfo, clipFormat, adpcm, file);
    // A clip the file cannot describe is refused rather than written.
    if (built < 0) {
        file.clear();
        return built;
    }
    return static_cast<int>(file.size());
}

}  // namespace korvel
