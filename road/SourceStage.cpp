#include "road/SourceStage.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "formats/AiffFormat.h"
#include "formats/AiffReader.h"
#include "formats/SndfileReader.h"
#include "formats/StreamedWavFile.h"
#include "formats/WavFormat.h"
#include "formats/WavReader.h"
#include "formats/WidePcmReader.h"
#include "road/StageResult.h"

namespace korvel {

namespace {

// Rates a handset file can be made from; every reader's way takes more
// through libsndfile or the wider reader, which the resampler's filter
// handles as well.
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 48000;
constexpr int kMaxLibraryRate = 192000;
// A sound must play for more than this many whole milliseconds.
constexpr int kMinPlayTimeMs = 20;
// libsndfile's count of a stream whose length is not known (a FLAC file
// whose header leaves it 0, say); no file holds so many frames.
[[maybe_unused]] constexpr std::int64_t kUnknownLength = std::int64_t{1} << 62;

// The format checks in the order that decides the result.
StageResult checkFormat(const SampleSource& reader)
{
    if (reader.format.channels == 0)
        return StageResult::notRecognised;
    if (reader.format.sampleRate < kMinRate || reader.format.sampleRate > kMaxRate)
        return StageResult::unsupportedRate;
    if (reader.format.bitsPerSample != 8 && reader.format.bitsPerSample != 16)
        return StageResult::unsupportedWidth;
    if (reader.format.channels > 2)
        return StageResult::tooManyChannels;
    if (SourceStage::tooShortToPlay(reader.format.frameCount, reader.format.sampleRate))
        return StageResult::playTimeTooShort;
    // The held samples are 16-bit whatever the input's width, so a long
    // 8-bit file can announce more sample bytes than the 32-bit byte count
    // of a clip can describe.
    if (static_cast<std::int64_t>(reader.format.channels) * reader.format.frameCount * 2 > INT32_MAX)
        return StageResult::notRecognised;
    return StageResult::ok;
}

// The rules for what libsndfile or the wider reader reads: any number of
// channels, the wider rates, and a mono sound whose byte count fits the
// 32-bit counters of the stages after the mix.
StageResult checkLibraryFormat(const ClipFormat& format, std::int64_t frames)
{
    if (format.channels == 0)
        return StageResult::notRecognised;
    if (format.sampleRate < kMinRate || format.sampleRate > kMaxLibraryRate)
        return StageResult::unsupportedRate;
    // A long or unknown length is read as far as the file needs it; the
    // sound's real length is only known once it is read.
    if (SourceStage::tooShortToPlay(frames, format.sampleRate))
        return StageResult::playTimeTooShort;
    return StageResult::ok;
}

// The whole frames a reader's data holds in the file, which ends them
// whatever the header says (a file written to a pipe, or one cut short).
std::int64_t framesPresent(const SampleSource& reader, const InputFile& file)
{
    const std::int64_t frame = reader.format.blockAlign;
    if (frame <= 0 || reader.dataOffset < 0)
        return 0;
    return std::max<std::int64_t>(file.size() - reader.dataOffset, 0) / frame;
}

std::unique_ptr<SampleSource> makeReader(bool isAiff, InputStream& file)
{
    if (isAiff)
        return std::make_unique<AiffReader>(&file);
    return std::make_unique<WavReader>(&file);
}

}  // namespace

SoundKind kindOfFirstBytes(std::span<const std::uint8_t> head)
{
    if (head.size() >= 4 && std::memcmp(head.data(), wav::kRiffId, 4) == 0)
        return SoundKind::wav;
    if (head.size() >= 4 && std::memcmp(head.data(), aiff::kFormId, 4) == 0)
        return SoundKind::aiff;
    return SoundKind::other;
}

bool SourceStage::tooShortToPlay(std::int64_t frames, int sampleRate)
{
    // Truncated, 20 whole milliseconds or less are less than 21.
    const double milliseconds = static_cast<double>(frames) / sampleRate * 1000.0;
    return milliseconds < kMinPlayTimeMs + 1;
}

SourceStage::SourceStage(bool isAiff, InputStream& file)
    : source(makeReader(isAiff, file)), checked(checkFormat(*source)), frameTotal(source->format.frameCount)
{
}

SourceStage::SourceStage(std::unique_ptr<SampleSource> reader, StageResult result, std::int64_t frames, bool library)
    : source(std::move(reader)), checked(result), frameTotal(frames), library(library)
{
}

SourceStage::~SourceStage() = default;

std::unique_ptr<SourceStage> SourceStage::openAny(SoundKind kind, InputFile& file, InputStream& stream)
{
    std::unique_ptr<SourceStage> own;
    if (kind != SoundKind::other) {
        own.reset(new SourceStage(kind == SoundKind::aiff, stream));
        own->padding = false;
        if (own->result() == StageResult::ok) {
            own->frameTotal = std::min(own->frameTotal, framesPresent(own->reader(), file));
            return own;
        }
    }
#ifdef KORVEL_HAVE_SNDFILE
    // A WAV file written to a pipe is read with the sizes it really has.
    std::unique_ptr<InputFile> streamed = StreamedWavFile::of(file);
    auto library = std::make_unique<SndfileReader>(streamed ? *streamed : file);
    const StageResult result = checkLibraryFormat(library->format, library->frames());
    // A file libsndfile cannot read keeps the answer of its own reader.
    if (own && library->format.channels == 0)
        return own;
    const std::int64_t frames = library->frames();
    std::unique_ptr<SourceStage> stage(new SourceStage(std::move(library), result, frames, true));
    stage->view = std::move(streamed);
    stage->padding = false;
    stage->stated = frames < kUnknownLength;
    return stage;
#else
    // Without libsndfile, the uncompressed WAV and AIFF kinds its own reader
    // refuses are read by the wider reader, under libsndfile's rules and
    // with its frames.
    if (own) {
        auto wide = std::make_unique<WidePcmReader>(file);
        if (wide->format.channels == 0)
            return own;
        const std::int64_t frames = wide->frames();
        const StageResult result = checkLibraryFormat(wide->format, frames);
        std::unique_ptr<SourceStage> stage(new SourceStage(std::move(wide), result, frames, false));
        stage->padding = false;
        return stage;
    }
    return std::unique_ptr<SourceStage>(new SourceStage(nullptr, StageResult::notRecognised, 0, false));
#endif
}

std::string SourceStage::title() const
{
#ifdef KORVEL_HAVE_SNDFILE
    if (library)
        return static_cast<const SndfileReader&>(*source).title();
#endif
    return {};
}

ClipFormat SourceStage::format() const
{
    if (!source)
        return {};
    return ClipFormat::of16Bit(source->format.sampleRate, source->format.channels, source->format.frameCount);
}

}  // namespace korvel
