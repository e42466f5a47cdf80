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
#include "road/StageResult.h"
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

StageResult SoundRoad::build(bool isAiff, std::span<const std::uint8_t> bytes, int outRate, int taps)
{
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return StageResult::notRecognised;
    image = std::make_unique<ByteStream>(bytes.data(), static_cast<int>(bytes.size()));
    return build(isAiff, *image, outRate, taps);
}

StageResult SoundRoad::build(bool isAiff, InputStream& file, int outRate, int taps)
{
    return build(std::make_unique<SourceStage>(isAiff, file), outRate, taps);
}

StageResult SoundRoad::build(std::unique_ptr<SourceStage> opened, int outRate, int taps, const SoundPart& part,
                     std::optional<double> loudness)
{
    if (source || !opened)
        return StageResult::badCall;
    source = std::move(opened);
    if (source->result() != StageResult::ok)
        return source->result();
    SampleSource* input = &source->reader();
    // The part stage also ends a sound where its data ends, unless it is
    // padded to the length its header states.
    if (!part.whole() || !source->padded()) {
        const int rate = input->format.sampleRate;
        excerpt = std::make_unique<ExcerptStage>(input, source->frames(), part, audibleFrames(rate, outRate, taps));
        excerpt->prepare();
        if (SourceStage::tooShortToPlay(excerpt->format.frameCount, rate))
            return StageResult::playTimeTooShort;
        input = excerpt.get();
    }
    mono = std::make_unique<MonoMixSource>(input);
    SampleSource* last = mono.get();
    // A sound already at the rate goes on as it is.
    if (mono->format.sampleRate != outRate) {
        resampler = std::make_unique<Resampler>(mono.get());
        if (ResampleStage::setup(*resampler, mono->format.dataBytes, outRate, taps) != StageResult::ok)
            return StageResult::failed;
        last = resampler.get();
    }
    keep = std::make_unique<KeepStage>(last);
    kept = ClipFormat::of16Bit(outRate, 1, keep->format.frameCount);
    cutSound = keep->cutsSound();
    if (loudness)
        level = std::make_unique<LoudnessStage>(keep.get(), *loudness);
    return StageResult::ok;
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

StageResult SoundRoad::settle()
{
    if (!endsWithItsData())
        return StageResult::ok;
    // A decoder's length may be wrong: where the fades depend on the end,
    // the part is read on until its end shows.
    if (source->decodedByLibrary() && excerpt->fadesNeedTheEnd()) {
        if (excerpt->readToTheEnd() < 0)
            return StageResult::failed;
    }
    if (!excerpt->endedEarly())
        return StageResult::ok;
    const std::int64_t frames = *excerpt->endedEarly();
    const int inRate = excerpt->format.sampleRate;
    if (SourceStage::tooShortToPlay(frames, inRate))
        return StageResult::playTimeTooShort;
    // What a road built for that many frames keeps: the resampler's outputs
    // of them were computed from the same samples and the silence after.
    const std::int64_t outputs = resampler ? Resampler::outputFrames(frames, inRate, kept.sampleRate) : frames;
    kept = ClipFormat::of16Bit(kept.sampleRate, 1, AtrWriter::framesKept(kept.sampleRate, static_cast<int>(outputs)));
    cutSound = outputs > kept.frameCount;
    return StageResult::ok;
}

bool SoundRoad::cut() const
{
    return cutSound;
}

StageResult SoundRoad::write(const ContentInfo& info, ByteVector& file)
{
    file.clear();
    if (!keep || kept.frameCount <= 0)
        return StageResult::badCall;
    // Brought to a loudness, the kept sound is held whole first, so its
    // length is known before the file is laid out.
    if (level) {
        const StageResult held = level->hold() < 0 ? StageResult::failed : settle();
        if (held != StageResult::ok)
            return held;
        level->keepFirst(kept.frameCount);
        level->chooseGain();
    }
    // The payload is coded straight into its place in the file.
    AtrWriter::Layout layout;
    const int announced = kept.frameCount;
    if (AtrWriter::layOut(info, kept, payloadBytes(announced), file, layout) < 0)
        return StageResult::failed;
    StageResult result = StageResult::ok;
    if (level) {
        file.insert(file.end(), level->payload().begin(), level->payload().end());
    } else {
        result = EncodeStage::run(*keep, file) < 0 ? StageResult::failed : settle();
    }
    if (result == StageResult::ok && kept.frameCount < announced) {
        // A part that ended early: its own file, with the code of the frames
        // it kept (the coder's state runs from sample to sample, so that is
        // the start of the code of all of them).
        ByteVector payload(file.begin() + static_cast<std::ptrdiff_t>(layout.payloadAt),
                           file.begin() + static_cast<std::ptrdiff_t>(layout.payloadAt + payloadBytes(kept.frameCount)));
        // An odd count ends the payload in its low nibble.
        if (kept.frameCount % 2 != 0)
            payload.back() &= 0x0F;
        result = AtrWriter::layOut(info, kept, payload.size(), file, layout) < 0 ? StageResult::failed : StageResult::ok;
        file.insert(file.end(), payload.begin(), payload.end());
    }
    if (result == StageResult::ok && AtrWriter::seal(file, layout) < 0)
        result = StageResult::failed;
    if (result != StageResult::ok)
        file.clear();
    return result;
}

std::size_t SoundRoad::payloadBytes(int frames)
{
    return AdpcmCodec::payloadBytes(1, static_cast<std::size_t>(frames));
}

}  // namespace korvel
