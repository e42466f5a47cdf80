#include "job/ConversionJob.h"

#include <cstdio>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <memory>
#include <new>
#include <optional>

#include "job/ConversionHost.h"
#include "road/FileStream.h"
#include "system/Messages.h"
#include "system/PathParts.h"
#include "system/Platform.h"
#include "road/ResampleStage.h"
#include "road/ResultCodes.h"
#include "road/SoundRoad.h"
#include "road/SourceStage.h"
#include "system/WriteBatch.h"
#include "tessal/ContentInfo.h"
#include "tessal/TextCoding.h"

namespace korvel {

namespace {

ConversionOutcome refused(int message)
{
    return {ConversionOutcome::Kind::refused, message};
}

// Paths of this many characters or more are refused; 259 pass.
constexpr std::size_t kPathLimit = 260;

// The message for a refusal of load. A reader that fails while delivering
// samples (kFailed) has met data it cannot read: the format is not supported.
int messageForLoad(int result)
{
    switch (result) {
    case kInputNotRecognised:
        return kMsgFormatNotSupported;
    case kUnsupportedRate:
        return kMsgRateNotSupported;
    case kUnsupportedWidth:
        return kMsgWidthNotSupported;
    case kTooManyChannels:
        return kMsgChannelsNotSupported;
    case kPlayTimeTooShort:
        return kMsgPlayTimeTooShort;
    default:
        return kMsgFormatNotSupported;
    }
}

// Why a road could not be built or go on: a part too short to play (an
// excerpt, or a sound that ended early) is refused as a short sound is;
// anything else stops the conversion (the sound was already checked).
ConversionOutcome roadRefused(int result)
{
    if (result == kPlayTimeTooShort)
        return refused(kMsgPlayTimeTooShort);
    return {ConversionOutcome::Kind::stopped};
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

}  // namespace

ConversionJob::ConversionJob(ConversionHost& host, Platform& platform) : host(host), platform(platform) {}

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

// One conversion. Each way out that the steps take is its outcome; a
// refusal is reported by convertFile, a written file already here.
class ConversionRun {
public:
    ConversionRun(ConversionHost& host, Platform& platform) : host(host), platform(platform) {}

    ConversionOutcome run(const std::string& path, const ConversionRequest& request);

    // The window is collapsed behind a dialog.
    bool collapsed = false;

private:
    void collapse(std::optional<ScreenPoint> point)
    {
        host.collapseAt(point);
        collapsed = true;
    }
    void restore(ScreenPoint point, bool redraw)
    {
        host.restoreAt(point, redraw);
        collapsed = false;
    }

    ConversionHost& host;
    Platform& platform;
};

ConversionOutcome ConversionRun::run(const std::string& path, const ConversionRequest& request)
{
    if (request.strict && path.size() >= kPathLimit)
        return refused(kMsgPathTooLong);
    const PathParts parts = splitPath(path);
    SoundKind kind = SoundKind::other;
    if (equalsIgnoringCase(parts.extension, ".wav"))
        kind = SoundKind::wav;
    else if (equalsIgnoringCase(parts.extension, ".aif") || (!request.strict && equalsIgnoringCase(parts.extension, ".aiff")))
        kind = SoundKind::aiff;
    else if (request.strict)
        return refused(kMsgBadExtension);

    std::unique_ptr<InputFile> opened;
    InputFile* file = request.input;
    if (file == nullptr) {
        if (platform.openFile(path, opened) != Platform::kFileOk)
            return refused(kMsgCannotOpen);
        file = opened.get();
    }
    // A name without an extension (standard input): the file's first bytes
    // tell a WAV or an AIFF file.
    if (!request.strict && parts.extension.empty()) {
        std::uint8_t head[4] = {};
        if (file->readAt(0, head, 4) == 4)
            kind = kindOfFirstBytes(head);
    }
    // The readers count in 32 bits: a larger file is refused unread, or
    // left to libsndfile.
    const std::int64_t inputBytes = file->size();
    if (inputBytes > INT_MAX) {
        if (request.strict)
            return refused(kMsgFormatNotSupported);
        kind = SoundKind::other;
    }
    const auto openSource = [&](InputStream& stream) {
        if (request.strict)
            return std::make_unique<SourceStage>(kind == SoundKind::aiff, stream);
        return SourceStage::openAny(kind, *file, stream);
    };

    // The sound is only checked here; it is decoded once the settings are
    // known, and only as far as the file can hold it, so a long recording
    // is neither read nor held whole. A read error is no format fault.
    // The check's stream and reader go before the sound is opened again,
    // which then takes over their memory instead of fresh pages.
    std::string title;
    int sampleRate = 0;
    {
        FileStream header(*file);
        const std::unique_ptr<SourceStage> checked = openSource(header);
        if (header.readFailed())
            return refused(kMsgCannotOpen);
        if (checked->result() != kOk)
            return refused(messageForLoad(checked->result()));
        // A sound that libsndfile reads may name its own title.
        title = titleOfTags(checked->title());
        sampleRate = checked->format().sampleRate;
    }

    collapse(std::nullopt);
    const ConversionSettings settings = host.askSettings(
        !title.empty() ? title : !request.baseName.empty() ? request.baseName : parts.baseName, sampleRate);
    restore(settings.lastRect.topLeft(), true);
    if (!settings.accepted)
        return {ConversionOutcome::Kind::cancelled};
    host.waitCursor(WaitCursor::restore);

    auto info = std::make_unique<ContentInfo>();
    info->codeType = ContentInfo::kCodeUtf8;
    // The writer reads the texts in the code page they were typed in.
    platform.useUserLocale();
    info->coding = nativeTextCoding();
    info->permissions = settings.permissions;
    copyText(info->slots[ContentInfo::kSlotTitle], settings.title, info->coding);
    copyText(info->slots[ContentInfo::kSlotCopyright], settings.copyright, info->coding);
    char date[9] = {};
    if (ConversionJob::dateStamp(date, sizeof date) == 8)
        std::memcpy(info->slots[ContentInfo::kSlotDate], date, sizeof date);

    // The sound is decoded, mixed down and converted only as far as the
    // file can hold, while the file is made. Where it ends
    // before the length its header states, the file is that of its real
    // length; fades placed for the stated end are placed once more, on a
    // second road told the real length.
    ByteVector output;
    bool cut = false;
    std::optional<std::int64_t> endedAt;
    std::optional<double> endedEarly;
    std::int64_t soundBytes = inputBytes;
    for (int pass = 0; pass < 2; ++pass) {
        FileStream sound(*file);
        std::unique_ptr<SourceStage> source = openSource(sound);
        const bool stated = source->lengthStated();
        const std::int64_t statedFrames = source->frames();
        const int rate = source->format().sampleRate;
        const int channels = source->format().channels;
        const bool library = source->decodedByLibrary();
        if (endedAt)
            source->knowLength(*endedAt);
        SoundRoad road;
        int result =
            road.build(std::move(source), settings.outRate, ResampleStage::kTaps, request.excerpt, request.loudness);
        if (result == kOk)
            result = road.write(*info, output);
        if (sound.readFailed())
            return refused(kMsgCannotOpen);
        if (result < 0)
            return roadRefused(result);
        cut = road.cut();
        if (pass == 0 && road.soundEnd()) {
            endedAt = road.soundEnd();
            if (stated && *endedAt < statedFrames)
                endedEarly = static_cast<double>(*endedAt) / rate;
        }
        // A compressed sound is compared with its decoded size: 16-bit
        // samples of every channel, as far as they are known.
        if (library) {
            const std::int64_t frames = std::min<std::int64_t>(endedAt.value_or(statedFrames), std::int64_t{1} << 40);
            soundBytes = std::max(soundBytes, 2 * static_cast<std::int64_t>(channels) * frames);
        }
        if (!road.fadesMissedTheEnd())
            break;
    }
    // The file must come out no larger than the sound it was made from.
    if (output.size() > static_cast<std::uint64_t>(soundBytes))
        return {ConversionOutcome::Kind::stopped};
    opened.reset();

    const std::string target = request.target.empty() ? ConversionJob::outputPath(path) : request.target;
    const double freeSpace = platform.queryFreeSpace(request.target.empty() ? parts : splitPath(target));
    if (!(freeSpace > static_cast<double>(output.size())))
        return refused(kMsgDiskSpace);
    if (request.batch != nullptr) {
        const int added = request.batch->add(target, output.data(), output.size());
        if (added < 0)
            return refused(kMsgCannotSave);
        if (added == WriteBatch::kWaiting)
            return {ConversionOutcome::Kind::written, 0, output.size(), cut, true, endedEarly};
    } else if (platform.replaceFile(target, output.data(), output.size()) != Platform::kFileOk) {
        return refused(kMsgCannotSave);
    }

    collapse(settings.lastRect.centre());
    const std::string text = ConversionJob::successText(platform, output.size());
    const ScreenPoint at = host.showMessage(MessageKind::success, text);
    restore(at, true);
    return {ConversionOutcome::Kind::written, 0, output.size(), cut, false, endedEarly};
}

std::string ConversionJob::successText(Platform& platform, std::size_t bytes)
{
    return platform.messageText(kMsgFileSize) + ConversionJob::sizeText(bytes);
}

ConversionOutcome ConversionJob::convertFile(const std::string& path)
{
    return convertFile(path, ConversionRequest{});
}

ConversionOutcome ConversionJob::convertFile(const std::string& path, const ConversionRequest& request)
{
    host.waitCursor(WaitCursor::begin);
    host.setAcceptDrops(false);
    ConversionRun run(host, platform);
    ConversionOutcome outcome;
    try {
        outcome = run.run(path, request);
    } catch (const std::bad_alloc&) {
        // A sound too large for the memory there is: everything the run held
        // is already released.
        outcome = {ConversionOutcome::Kind::refused, kMsgFormatNotSupported};
    }
    if (outcome.kind == ConversionOutcome::Kind::refused) {
        if (!run.collapsed)
            host.collapseAt(std::nullopt);
        const ScreenPoint at = host.showMessage(MessageKind::error, platform.messageText(outcome.message));
        host.restoreAt(at, false);
    }
    host.setAcceptDrops(true);
    host.waitCursor(WaitCursor::end);
    return outcome;
}

}  // namespace korvel
