#include "job/StandardInput.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "formats/ImageFile.h"
#include "formats/StreamedWavFile.h"
#include "road/FileStream.h"
#include "system/Platform.h"
#include "road/ResampleStage.h"
#include "road/StageResult.h"
#include "road/SoundRoad.h"
#include "road/SourceStage.h"

namespace korvel {

namespace {

// Bytes read from the pipe at a time; the free space is looked at before
// each mebibyte kept.
constexpr std::size_t kPieceBytes = 64 * 1024;
constexpr std::int64_t kFreeSpaceStep = 1024 * 1024;

// Kinds whose header may run past the first bytes (tags, pictures, long
// metadata), told by their first four: RIFF, RF64 and Wave64 WAV files,
// AIFF, FLAC, Ogg, MP3 with ID3 tags, CAF.
bool startsLikeASoundFile(std::span<const std::uint8_t> head)
{
    static const char* const kStarts[] = {"RIFF", "RF64", "BW64", "riff", "FORM", "fLaC", "OggS", "ID3", "caff"};
    for (const char* start : kStarts) {
        const std::size_t n = std::strlen(start);
        if (head.size() >= n && std::memcmp(head.data(), start, n) == 0)
            return true;
    }
    return false;
}

// What of a pipe is kept: its first bytes, then from holeTo up to end; or
// nothing, when no reader knows its kind.
struct Plan {
    bool known = false;
    std::int64_t holeTo = 0;
    std::int64_t end = StandardInput::kMaxSpoolBytes;
};

Plan planFor(std::span<const std::uint8_t> head, const SoundPart& part)
{
    Plan plan;
    ImageFile image(head);
    FileStream stream(image);
    const SoundKind kind = kindOfFirstBytes(head);
    plan.known = SourceStage::openAny(kind, image, stream)->result() != StageResult::notRecognised || startsLikeASoundFile(head);
    if (kind == SoundKind::other)
        return plan;
    // Where the program's own readers find the header in the first bytes
    // (seen with the sizes they really have there), the frames the part can
    // reach lie at known offsets after it.
    const std::unique_ptr<InputFile> sized = StreamedWavFile::of(image);
    FileStream headStream(sized ? *sized : static_cast<InputFile&>(image));
    SourceStage own(kind == SoundKind::aiff, headStream);
    if (own.result() != StageResult::ok)
        return plan;
    const SampleSource& reader = own.reader();
    const int rate = reader.format.sampleRate;
    const std::int64_t frame = reader.format.blockAlign;
    if (reader.dataOffset < 0 || frame <= 0)
        return plan;
    std::int64_t reach = 0;
    for (const int outRate : {4000, 8000})
        reach = std::max(reach, SoundRoad::audibleFrames(rate, outRate, ResampleStage::kTaps));
    // Offsets as far as 62 bits hold them: far past any pipe's end.
    const std::int64_t most = (std::int64_t{1} << 62) / frame;
    SoundPart start;
    start.start = part.start;
    const std::int64_t first = std::min(ExcerptStage::framesNeeded(start, rate, 0), most);
    const std::int64_t needed = std::min(ExcerptStage::framesNeeded(part, rate, reach), most);
    plan.holeTo = reader.dataOffset + first * frame;
    plan.end = reader.dataOffset + needed * frame;
    return plan;
}

}  // namespace

StandardInput::Result StandardInput::open(Platform& platform, const SoundPart& part,
                                          std::unique_ptr<InputFile>& file)
{
    file.reset();
    const FileResult opened = platform.openStandardInput(file);
    if (opened == FileResult::ok)
        return Result::ok;
    if (opened != FileResult::isStream)
        return Result::cannotRead;

    std::vector<std::uint8_t> buffer(kHeadBytes);
    std::size_t headBytes = 0;
    while (headBytes < buffer.size()) {
        const std::int64_t n = platform.readStandardInput(buffer.data() + headBytes, buffer.size() - headBytes);
        if (n < 0)
            return Result::cannotRead;
        if (n == 0)
            break;
        headBytes += static_cast<std::size_t>(n);
    }
    const Plan plan = planFor(std::span(buffer.data(), headBytes), part);
    if (!plan.known)
        return Result::notSound;

    std::unique_ptr<SpoolFile> spool;
    if (platform.createSpool(spool) != FileResult::ok ||
        spool->append(buffer.data(), headBytes) != FileResult::ok)
        return Result::cannotRead;
    // The bytes between the header and the part's start are read and
    // dropped; they stay a hole that reads as zeros, where no reader looks.
    std::int64_t position = static_cast<std::int64_t>(headBytes);
    std::int64_t checkedAt = -kFreeSpaceStep;
    while (position < plan.end) {
        const bool dropping = position < plan.holeTo;
        if (!dropping && spool->size() - checkedAt >= kFreeSpaceStep) {
            const double free = spool->freeSpace();
            if (free >= 0 && free < kSpoolMargin + static_cast<double>(kFreeSpaceStep))
                return Result::noRoom;
            checkedAt = spool->size();
        }
        const std::int64_t until = dropping ? plan.holeTo : plan.end;
        const std::int64_t n = platform.readStandardInput(
            buffer.data(), static_cast<std::size_t>(std::min<std::int64_t>(until - position, kPieceBytes)));
        if (n < 0)
            return Result::cannotRead;
        if (n == 0)
            break;
        position += n;
        const FileResult kept = !dropping                ? spool->append(buffer.data(), static_cast<std::size_t>(n))
                         : position == plan.holeTo ? spool->extendTo(position)
                                                   : FileResult::ok;
        if (kept != FileResult::ok)
            return Result::cannotRead;
    }
    // A kind kept whole that goes on past the most that is kept.
    std::uint8_t more = 0;
    if (plan.end == kMaxSpoolBytes && position == plan.end && platform.readStandardInput(&more, 1) > 0)
        return Result::tooLong;
    file = std::move(spool);
    return Result::ok;
}

}  // namespace korvel
