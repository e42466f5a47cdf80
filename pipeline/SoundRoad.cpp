#include "pipeline/SoundRoad.h"

#include <climits>
#include <vector>

#include "dsp/AdpcmCodec.h"
#include "dsp/LoudnessMeter.h"
#include "dsp/Resampler.h"
#include "formats/ByteStream.h"
#include "pipeline/EncodeStage.h"
#include "pipeline/KeepStage.h"
#include "pipeline/MonoMixSource.h"
#include "pipeline/ResampleStage.h"
#include "pipeline/ResultCodes.h"
#include "pipeline/SourceStage.h"
#include "tessal/AtrWriter.h"

namespace korvel {

namespace {

// Frames measured at a time.
constexpr std::size_t kMeasureBlock = 65536;

}  // namespace

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

int SoundRoad::build(std::unique_ptr<SourceStage> opened, int outRate, int taps, const ExcerptSettings& part)
{
    if (source || !opened)
        return kBadCall;
    source = std::move(opened);
    if (source->result() != kOk)
        return source->result();
    SampleSource* input = &source->reader();
    if (!part.whole()) {
        excerpt = std::make_unique<ExcerptStage>(input, source->frames(), part);
        if (excerpt->prepare() < 0)
            return kFailed;
        if (SourceStage::tooShortToPlay(excerpt->format.frameCount, excerpt->format.sampleRate))
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
    return kOk;
}

int SoundRoad::measure(LoudnessMeter& meter)
{
    if (!keep)
        return kBadCall;
    // Through the codec and back, as a handset decodes the file: the coding
    // changes the loudness of some sounds a little.
    AdpcmCodec encoder(1), decoder(1);
    std::vector<std::int16_t> block(kMeasureBlock), decoded(kMeasureBlock);
    ByteVector codes(kMeasureBlock / 2);
    for (;;) {
        const int filled = keep->fill(block.data(), static_cast<int>(kMeasureBlock));
        if (filled < 0)
            return filled;
        if (filled == 0)
            return kOk;
        const std::size_t count = static_cast<std::size_t>(filled);
        encoder.encode(block.data(), count, codes.data());
        decoder.decode(codes.data(), (count + 1) / 2, decoded.data());
        meter.add(decoded.data(), count);
        if (count < kMeasureBlock)
            return kOk;
    }
}

bool SoundRoad::cut() const
{
    return keep && keep->cutsSound();
}

int SoundRoad::write(const ContentInfo& info, ByteVector& file)
{
    file.clear();
    if (!keep || kept.frameCount <= 0)
        return kBadCall;
    // The payload is coded straight into its place in the file.
    AtrWriter::Layout layout;
    const std::size_t payloadBytes = AdpcmCodec::payloadBytes(1, static_cast<std::size_t>(kept.frameCount));
    if (AtrWriter::layOut(info, kept, payloadBytes, file, layout) < 0)
        return kFailed;
    const int encoded = EncodeStage::run(*keep, file);
    if (encoded < 0 || AtrWriter::seal(file, layout) < 0) {
        file.clear();
        return encoded < 0 ? encoded : kFailed;
    }
    return static_cast<int>(file.size());
}

}  // namespace korvel
