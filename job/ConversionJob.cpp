#include "job/ConversionJob.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <memory>
#include <new>
#include <optional>

#include "job/SettingsRules.h"
#include "job/SoundInput.h"
#include "dsp/AdpcmCodec.h"
#include "dsp/Resampler.h"
#include "road/ExcerptStage.h"
#include "road/FileStream.h"
#include "road/ResampleStage.h"
#include "road/StageResult.h"
#include "road/SoundRoad.h"
#include "road/SourceStage.h"
#include "system/Messages.h"
#include "system/PathParts.h"
#include "system/Platform.h"
#include "system/WriteBatch.h"
#include "tessal/AtrWriter.h"
#include "tessal/ContentInfo.h"
#include "tessal/TessalFormat.h"
#include "tessal/TextCoding.h"

namespace korvel {

namespace {

// Paths of this many characters or more are refused; 259 pass.
constexpr std::size_t kPathLimit = 260;

SoundCheck refusedCheck(Refusal refusal)
{
    SoundCheck check;
    check.refusal = refusal;
    return check;
}

ConversionOutcome stopped(const SoundCheck& sound)
{
    ConversionOutcome outcome;
    outcome.sound = sound;
    return outcome;
}

// The refusal of a reader's check. A reader that fails while delivering
// samples has met data it cannot read: the format is not supported.
Refusal refusalOfCheck(StageResult result)
{
    switch (result) {
    case StageResult::unsupportedRate:
        return Refusal::rateNotSupported;
    case StageResult::unsupportedWidth:
        return Refusal::widthNotSupported;
    case StageResult::tooManyChannels:
        return Refusal::channelsNotSupported;
    case StageResult::playTimeTooShort:
        return Refusal::playTimeTooShort;
    default:
        return Refusal::formatNotSupported;
    }
}

// The kind of sound a name gives under the policy, or the refusal of the
// name: the desktop program takes .wav and .aif only.
std::optional<SoundKind> kindOfName(const PathParts& parts, ReadPolicy policy)
{
    const bool desktop = policy == ReadPolicy::desktop;
    if (equalsIgnoringCase(parts.extension, ".wav"))
        return SoundKind::wav;
    if (equalsIgnoringCase(parts.extension, ".aif") || (!desktop && equalsIgnoringCase(parts.extension, ".aiff")))
        return SoundKind::aiff;
    if (desktop)
        return std::nullopt;
    return SoundKind::other;
}

std::unique_ptr<SourceStage> openSource(ReadPolicy policy, SoundKind kind, InputFile& file, InputStream& stream)
{
    if (policy == ReadPolicy::desktop)
        return std::make_unique<SourceStage>(kind == SoundKind::aiff, stream);
    return SourceStage::openAny(kind, file, stream);
}

// The title of a file's own tags as the default title: without control
// characters (a terminal or a handset would act on them), in the program's
// coding; empty, so that the base name stands in, where the tag is no
// well-formed UTF-8 or names a character the locale cannot write.
std::string titleOfTags(const std::string& stored)
{
    std::string printable;
    for (const char c : stored)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            printable += c;
    std::string title;
    return utf8ToText(printable, nativeTextCoding(), title) ? title : std::string();
}

// Copies at most 256 bytes of a text into a slot, ending at a whole
// character; the zeroed slot supplies the terminator.
void copyText(char* slot, const std::string& text, TextCoding coding)
{
    std::size_t length = 0;
    std::mbstate_t state{};
    while (length < text.size()) {
        const std::size_t n = characterBytes(text.data() + length, text.size() - length, coding, state);
        if (length + n > static_cast<std::size_t>(ContentInfo::kMaxTextBytes))
            break;
        length += n;
    }
    std::memcpy(slot, text.data(), length);
}

// The contents information of the plan's file.
std::unique_ptr<ContentInfo> contentInfo(const ConversionPlan& plan, const SoundCheck& sound, TextCoding coding)
{
    auto info = std::make_unique<ContentInfo>();
    info->codeType = ContentInfo::kCodeUtf8;
    info->coding = coding;
    info->permissions = plan.permissions;
    copyText(info->slots[ContentInfo::kSlotTitle], plan.title.value_or(sound.defaultTitle), coding);
    copyText(info->slots[ContentInfo::kSlotCopyright], plan.copyright, coding);
    char date[9] = {};
    if (!plan.date.empty())
        std::snprintf(date, sizeof date, "%s", plan.date.c_str());
    else if (ConversionJob::dateStamp(date, sizeof date) != 8)
        std::memset(date, 0, sizeof date);
    std::memcpy(info->slots[ContentInfo::kSlotDate], date, sizeof date);
    return info;
}

// The Tessal file made on the road, and what the road found of the sound.
struct Encoded {
    ByteVector output;
    // Not ok: the road could not be built or go on.
    StageResult result = StageResult::ok;
    bool readFailed = false;
    bool cut = false;
    std::optional<double> endedEarly;
    // The size the file is compared with: the sound file's, or of a
    // compressed sound its decoded size, as far as it is known.
    std::int64_t soundBytes = 0;
};

// The sound is decoded, mixed down and converted only as far as the file
// can hold, while the file is made. Where it ends before the length its
// header states, the file is that of its real length; fades placed for the
// stated end are placed once more, on a second road told the real length.
Encoded encode(InputFile& file, ReadPolicy policy, SoundKind kind, int outRate, const ConversionPlan& plan,
               const ContentInfo& info)
{
    Encoded made;
    made.soundBytes = file.size();
    std::optional<std::int64_t> endedAt;
    for (int pass = 0; pass < 2; ++pass) {
        FileStream sound(file);
        std::unique_ptr<SourceStage> source = openSource(policy, kind, file, sound);
        const bool stated = source->lengthStated();
        const std::int64_t statedFrames = source->frames();
        const int rate = source->format().sampleRate;
        const int channels = source->format().channels;
        const bool library = source->decodedByLibrary();
        if (endedAt)
            source->knowLength(*endedAt);
        SoundRoad road;
        made.result = road.build(std::move(source), outRate, ResampleStage::kTaps, plan.part, plan.loudness);
        if (made.result == StageResult::ok)
            made.result = road.write(info, made.output);
        made.readFailed = sound.readFailed();
        if (made.readFailed || made.result != StageResult::ok)
            return made;
        made.cut = road.cut();
        if (pass == 0 && road.soundEnd()) {
            endedAt = road.soundEnd();
            if (stated && *endedAt < statedFrames)
                made.endedEarly = static_cast<double>(*endedAt) / rate;
        }
        // A compressed sound is compared with its decoded size: 16-bit
        // samples of every channel, as far as they are known.
        if (library) {
            const std::int64_t frames = std::min<std::int64_t>(endedAt.value_or(statedFrames), std::int64_t{1} << 40);
            made.soundBytes = std::max(made.soundBytes, 2 * static_cast<std::int64_t>(channels) * frames);
        }
        if (!road.fadesMissedTheEnd())
            break;
    }
    return made;
}

}  // namespace

ConversionOutcome ConversionOutcome::refusedBy(Refusal why, const SoundCheck& sound)
{
    ConversionOutcome outcome;
    outcome.kind = Kind::refused;
    outcome.refusal = why;
    outcome.sound = sound;
    return outcome;
}

ConversionJob::ConversionJob(Platform& platform) : platform(platform) {}

int ConversionJob::dateStamp(char* buffer, int size)
{
    if (buffer == nullptr || size < 0)
        return -1;
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1))
        return -1;
    const std::tm* local = std::localtime(&now);
    if (local == nullptr)
        return -1;
    const std::size_t n = std::strftime(buffer, static_cast<std::size_t>(size), "%Y%m%d", local);
    return n == 0 ? -1 : static_cast<int>(n);
}

std::string ConversionJob::outputPath(const std::string& path)
{
    const PathParts parts = splitPath(path);
    return parts.drive + parts.directory + parts.baseName + ".mmf";
}

std::string ConversionJob::sizeText(std::size_t bytes)
{
    // Hundredths of a kilobyte, an exact half rounded upward: the C
    // library's "%.2f" would round it to even.
    const unsigned long long hundredths = (static_cast<unsigned long long>(bytes) * 100 + 512) / 1024;
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%02lluKB", hundredths / 100, hundredths % 100);
    return text;
}

std::string ConversionJob::successText(Platform& platform, std::size_t bytes)
{
    return platform.messageText(kMsgFileSize) + ConversionJob::sizeText(bytes);
}

SoundCheck ConversionJob::inspect(SoundInput& input, ReadPolicy policy)
{
    try {
        SoundCheck made = check(input, policy);
        input.remember(policy, made);
        return made;
    } catch (const std::bad_alloc&) {
        input.close();
        return refusedCheck(Refusal::formatNotSupported);
    }
}

// The sound is only checked here; it is decoded once the plan is known,
// and only as far as the file can hold it, so a long recording is neither
// read nor held whole. A read error is no format fault.
SoundCheck ConversionJob::check(SoundInput& input, ReadPolicy policy)
{
    const bool desktop = policy == ReadPolicy::desktop;
    if (desktop && input.path().size() >= kPathLimit)
        return refusedCheck(Refusal::pathTooLong);
    const PathParts parts = splitPath(input.path());
    const std::optional<SoundKind> named = kindOfName(parts, policy);
    if (!named)
        return refusedCheck(Refusal::badExtension);
    SoundKind kind = *named;
    if (input.file() == nullptr) {
        std::unique_ptr<InputFile> opened;
        if (platform.openFile(input.path(), opened) != FileResult::ok)
            return refusedCheck(Refusal::cannotOpen);
        input.keep(std::move(opened));
    }
    InputFile& file = *input.file();
    // A name without an extension (standard input): the file's first bytes
    // tell a WAV or an AIFF file.
    if (!desktop && parts.extension.empty()) {
        std::uint8_t head[4] = {};
        if (file.readAt(0, head, 4) == 4)
            kind = kindOfFirstBytes(head);
    }
    // The readers count in 32 bits: a larger file is refused unread, or
    // left to libsndfile.
    if (file.size() > INT_MAX) {
        if (desktop)
            return refusedCheck(Refusal::formatNotSupported);
        kind = SoundKind::other;
    }
    FileStream header(file);
    const std::unique_ptr<SourceStage> source = openSource(policy, kind, file, header);
    if (header.readFailed())
        return refusedCheck(Refusal::cannotOpen);
    if (source->result() != StageResult::ok)
        return refusedCheck(refusalOfCheck(source->result()));
    SoundCheck made;
    made.kind = kind;
    made.channels = source->format().channels;
    made.sampleRate = source->format().sampleRate;
    if (source->lengthStated() && made.sampleRate > 0)
        made.seconds = static_cast<double>(source->frames()) / made.sampleRate;
    // A sound that libsndfile reads may name its own title.
    made.defaultTitle = titleOfTags(source->title());
    if (made.defaultTitle.empty())
        made.defaultTitle = !input.baseName().empty() ? input.baseName() : parts.baseName;
    SettingsRules::describe(made);
    return made;
}

ConversionOutcome ConversionJob::convert(SoundInput& input, const ConversionPlan& plan)
{
    try {
        return convertChecked(input, plan);
    } catch (const std::bad_alloc&) {
        // A sound too large for the memory there is: everything the call
        // held is already released.
        input.close();
        return ConversionOutcome::refusedBy(Refusal::formatNotSupported);
    }
}

ConversionOutcome ConversionJob::convertChecked(SoundInput& input, const ConversionPlan& plan)
{
    const SoundCheck* known = input.checked(plan.policy);
    const SoundCheck sound = known != nullptr ? *known : check(input, plan.policy);
    if (!sound.accepted())
        return ConversionOutcome::refusedBy(sound.refusal, sound);
    // The writer reads the texts in the coding they were typed in.
    platform.useUserLocale();
    const TextCoding coding = nativeTextCoding();
    if (const Refusal broken = SettingsRules::checkPlan(plan, sound, coding); broken != Refusal::none)
        return ConversionOutcome::refusedBy(broken, sound);
    const std::unique_ptr<ContentInfo> info = contentInfo(plan, sound, coding);
    const int rate = plan.rate.value_or(sound.defaultRate);
    const Encoded made = encode(*input.file(), plan.policy, sound.kind, rate, plan, *info);
    if (made.readFailed)
        return ConversionOutcome::refusedBy(Refusal::cannotOpen, sound);
    // A part too short to play (an excerpt, or a sound that ended early) is
    // refused as a short sound is; anything else stops the conversion.
    if (made.result == StageResult::playTimeTooShort)
        return ConversionOutcome::refusedBy(Refusal::playTimeTooShort, sound);
    if (made.result != StageResult::ok)
        return stopped(sound);
    // The file must come out no larger than the sound it was made from.
    if (made.output.size() > static_cast<std::uint64_t>(made.soundBytes))
        return stopped(sound);
    input.close();
    ConversionOutcome outcome = place(input.path(), plan, made.output);
    outcome.cut = made.cut;
    outcome.endedEarly = made.endedEarly;
    outcome.sound = sound;
    return outcome;
}

ConversionJob::ExpectedFile ConversionJob::expected(const SoundCheck& sound, const ConversionPlan& plan)
{
    ExpectedFile file;
    const int outRate = plan.rate.value_or(sound.defaultRate);
    if (!sound.accepted() || !sound.seconds || sound.sampleRate <= 0 || outRate <= 0)
        return file;
    const auto frames = static_cast<std::int64_t>(std::llround(*sound.seconds * sound.sampleRate));
    const ExcerptStage::Span span = ExcerptStage::spanOf(plan.part, sound.sampleRate, frames, INT64_MAX);
    const std::int64_t outputs =
        sound.sampleRate == outRate ? span.count : Resampler::outputFrames(span.count, sound.sampleRate, outRate);
    const int kept = AtrWriter::framesKept(outRate, static_cast<int>(std::min<std::int64_t>(outputs, INT32_MAX)));
    const std::unique_ptr<ContentInfo> info = contentInfo(plan, sound, nativeTextCoding());
    ByteVector head;
    AtrWriter::Layout layout;
    const std::size_t payload = AdpcmCodec::payloadBytes(1, static_cast<std::size_t>(kept));
    if (AtrWriter::layOut(*info, ClipFormat::of16Bit(outRate, 1, kept), payload, head, layout) < 0)
        return file;
    file.bytes = layout.payloadAt + payload + tessal::kCrcBytes;
    file.seconds = static_cast<double>(kept) / outRate;
    return file;
}

// Puts the file where the plan says, if the volume has room for it.
ConversionOutcome ConversionJob::place(const std::string& path, const ConversionPlan& plan,
                                       const std::vector<std::uint8_t>& output)
{
    const std::string target = plan.target.empty() ? outputPath(path) : plan.target;
    const double freeSpace = platform.queryFreeSpace(splitPath(target));
    if (!(freeSpace > static_cast<double>(output.size())))
        return ConversionOutcome::refusedBy(Refusal::diskSpace);
    ConversionOutcome written;
    written.kind = ConversionOutcome::Kind::written;
    written.bytes = output.size();
    if (plan.batch != nullptr) {
        const FileResult added = plan.batch->add(target, output.data(), output.size());
        if (added != FileResult::ok && added != FileResult::waiting)
            return ConversionOutcome::refusedBy(Refusal::cannotSave);
        written.waiting = added == FileResult::waiting;
    } else if (platform.replaceFile(target, output.data(), output.size()) != FileResult::ok) {
        return ConversionOutcome::refusedBy(Refusal::cannotSave);
    }
    return written;
}

}  // namespace korvel
