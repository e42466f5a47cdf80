#include "road/SoundRoad.h"

#include <climits>
#include <cstddef>
#include <vector>

#include "dsp/AdpcmCodec.h"
#include "dsp/Resampler.h"
#include "formats/ByteStream.h"
#include "road/EncodeStage.h"
#include "road/KeepStage.h"
#include "road/LoudnessStage.h"
#include "road/MonoMixSource.h"
#include "road/ResampleStage.h"
#include "road/ResultCodes.h"
#include "road/SourceStage.h"
#include "tessal/AtrWriter.h"

namespace korvel {

std::int64_t SoundRoad::audibleFrames(int inRate, int outRate, int taps)
{
    const std::int64_t outputs = AtrWriter::framesKept(outRate, INT32_MAX);
    return (outputs * inRate + outRate - 1) / outRate + taps + 1;
}

SoundRoad::SoundRoad() = default;
SoundRoad::~SoundRoad() = default;

int SoundRoad::build(bool isAiff, std::span<const std::uint8_t> bytes, int outRate, int taps)
{
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return kInputNotRecognised;
    image = std::make_unique<ByteStream>(bytes.data(), static_cast<int>(bytes.size()));
    return build(isAiff, *image, outRate, taps);
}

int SoundRoad::build(bool isAiff, InputStream& file, int outRate, int taps)
{
    return build(std::make_unique<SourceStage>(isAiff, file), outRate, taps);
}

int SoundRoad::build(std::unique_ptr<SourceStage> opened, int outRate, int taps, const SoundPart& part,
                     std::optional<double> loudness)
{
    if (source || !opened)
        return kBadCall;
    source = std::move(opened);
    if (source->result() != kOk)
        return source->result();
    SampleSource* input = &source->reader();
    // The part stage also ends a sound where its data ends, unless it is
    // padded to the length its header states.
    if (!part.whole() || !source->padded()) {
        const int rate = input->format.sampleRate;
        excerpt = std::make_unique<ExcerptStage>(input, source->frames(), part, audibleFrames(rate, outRate, taps));
        excerpt->prepare();
        if (SourceStage::tooShortToPlay(excerpt->format.frameCount, rate))
            return kPlayTimeTooShort;
        input = excerpt.get();
    }
    mono = std::make_unique<MonoMixSource>(input);
    SampleSource* last = mono.get();
    // A sound already at the rate goes on as it is.
    if (mono->format.sampleRate != outRate) {
        resampler = std::make_unique<Resampler>(mono.get());
        if (ResampleStage::setup(*resampler, mono->format.dataBytes, outRate, taps) != kOk)
            return kFailed;
        last = resampler.get();
    }
    keep = std::make_unique<KeepStage>(last);
    kept = ClipFormat::of16Bit(outRate, 1, keep->format.frameCount);
    cutSound = keep->cutsSound();
    if (loudness)
        level = std::make_unique<LoudnessStage>(keep.get(), *loudness);
    return kOk;
}

bool SoundRoad::endsWithItsData() const
{
    return excerpt && !source->padded();
}

std::optional<std::int64_t> SoundRoad::soundEnd() const
{
    if (!endsWithItsData() || !excerpt->endedEarly())
        return std::nullopt;
    return excerpt->firstFrame() + *excerpt->endedEarly();
}

bool SoundRoad::fadesMissedTheEnd() const
{
    return endsWithItsData() && excerpt->fadesMissedTheEnd();
}

int SoundRoad::settle()
{
    if (!endsWithItsData())
        return kOk;
    // A decoder's length may be wrong: where the fades depend on the end,
    // the part is read on until its end shows.
    if (source->decodedByLibrary() && excerpt->fadesNeedTheEnd()) {
        const int read = excerpt->readToTheEnd();
        if (read < 0)
            return read;
    }
    if (!excerpt->endedEarly())
        return kOk;
    const std::int64_t frames = *excerpt->endedEarly();
    const int inRate = excerpt->format.sampleRate;
    if (SourceStage::tooShortToPlay(frames, inRate))
        return kPlayTimeTooShort;
    // What a road built for that many frames keeps: the resampler's outputs
    // of them were computed from the same samples and the silence after.
    const std::int64_t outputs = resampler ? Resampler::outputFrames(frames, inRate, kept.sampleRate) : frames;
    kept = ClipFormat::of16Bit(kept.sampleRate, 1, AtrWriter::framesKept(kept.sampleRate, static_cast<int>(outputs)));
    cutSound = outputs > kept.frameCount;
    return kOk;
}

bool SoundRoad::cut() const
{
    return cutSound;
}

int SoundRoad::write(const ContentInfo& info, ByteVector& file)
{
    file.clear();
    if (!keep || kept.frameCount <= 0)
        return kBadCall;
    // Brought to a loudness, the kept sound is held whole first, so its
    // length is known before the file is laid out.
    if (level) {
        int held = level->hold();
        if (held == kOk)
            held = settle();
        if (held != kOk)
            return held;
        level->keepFirst(kept.frameCount);
        level->chooseGain();
    }
    // The payload is coded straight into its place in the file.
    AtrWriter::Layout layout;
    const int announced = kept.frameCount;
    if (AtrWriter::layOut(info, kept, payloadBytes(announced), file, layout) < 0)
        return kFailed;
    int result = kOk;
    if (level) {
        file.insert(file.end(), level->payload().begin(), level->payload().end());
    } else {
        result = EncodeStage::run(*keep, file);
        if (result == kOk)
            result = settle();
    }
    if (result == kOk && kept.frameCount < announced) {
        // A part that ended early: its own file, with the code of the frames
        // it kept (the coder's state runs from sample to sample, so that is
        // the start of the code of all of them).
        ByteVector payload(file.begin() + static_cast<std::ptrdiff_t>(layout.payloadAt),
                           file.begin() + static_cast<std::ptrdiff_t>(layout.payloadAt + payloadBytes(kept.frameCount)));
        // An odd count ends the payload in its low nibble.
        if (kept.frameCount % 2 != 0)
            payload.back() &= 0x0F;
        result = AtrWriter::layOut(info, kept, payload.size(), file, layout) < 0 ? kFailed : kOk;
        file.insert(file.end(), payload.begin(), payload.end());
    }
    if (result == kOk && AtrWriter::seal(file, layout) < 0)
        result = kFailed;
    if (result != kOk) {
        file.clear();
        return result;
    }
    return static_cast<int>(file.size());
}

std::size_t SoundRoad::payloadBytes(int frames)
{
    return AdpcmCodec::payloadBytes(1, static_cast<std::size_t>(frames));
}

}  // namespace korvel
