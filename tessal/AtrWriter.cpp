#include "tessal/AtrWriter.h"

#include <algorithm>
#include <string>

#include "formats/ClipFormat.h"
#include "tessal/ContentInfo.h"
#include "tessal/Crc16.h"
#include "tessal/TagValue.h"
#include "tessal/TessalFormat.h"

namespace korvel {

namespace {

void appendCheckEntry(ByteVector& chunk, const char* prefix, std::size_t& checkAt)
{
    appendBytes(chunk, prefix, 7);
    appendBytes(chunk, "00,", 3);
    checkAt = chunk.size() - 3;
}

// "Atsq": a sequence of t ticks, closed by four zero bytes.
ByteVector buildSequence(int ticks)
{
    ByteVector chunk;
    appendBytes(chunk, tessal::kAudioSequenceId, 4);
    appendBE32(chunk, 0);
    appendBytes(chunk, tessal::kAudioSequenceStart, sizeof tessal::kAudioSequenceStart);
    const ByteVector length = AtrWriter::durationBytes(ticks);
    const ByteVector lengthAfter = AtrWriter::durationBytes(ticks + 1);
    chunk.insert(chunk.end(), length.begin(), length.end());
    chunk.insert(chunk.end(), lengthAfter.begin(), lengthAfter.end());
    appendBytes(chunk, tessal::kAudioSequenceEnd, sizeof tessal::kAudioSequenceEnd);
    TessalWriter::patchSize(chunk);
    return chunk;
}

// "AspI": the start and stop points of the sequence. The stop point is the
// offset of the sequence's closing zero bytes after its size field.
ByteVector buildSeekPhrase(std::uint32_t startPoint, std::uint32_t stopPoint)
{
    ByteVector chunk;
    appendBytes(chunk, tessal::kSeekPhraseId, 4);
    appendBE32(chunk, tessal::kSeekPhraseBytes);
    appendBytes(chunk, tessal::kStartPointMark, 3);
    appendBE32(chunk, startPoint);
    chunk.push_back(',');
    appendBytes(chunk, tessal::kStopPointMark, 3);
    appendBE32(chunk, stopPoint);
    chunk.push_back(',');
    return chunk;
}

// The track's id, size and six header bytes.
constexpr std::size_t kTrackHeadBytes = 14;

}  // namespace

AtrWriter::~AtrWriter() = default;

ByteVector AtrWriter::durationBytes(int value)
{
    if (value < 128)
        return {static_cast<std::uint8_t>(value)};
    return {static_cast<std::uint8_t>(0x80 | ((value - 128) >> 7)), static_cast<std::uint8_t>((value - 128) & 0x7F)};
}

ByteVector AtrWriter::buildContents(const ContentInfo& info, std::size_t& trackCheckAt, std::size_t& contentsCheckAt)
{
    ByteVector chunk;
    appendBytes(chunk, tessal::kContentsId, 4);
    appendBE32(chunk, 0);
    // Contents class 0, contents type 1, the code type, the copy status, copy count 0.
    const std::uint8_t head[] = {tessal::kContentsClass, tessal::kContentsTypeAudio, info.codeType,
                                 static_cast<std::uint8_t>(info.permissions & 0x03), 0x00};
    appendBytes(chunk, head, sizeof head);
    appendBytes(chunk, tessal::kVersionEntry, sizeof tessal::kVersionEntry);
    for (const tessal::ContentTag& entry : tessal::kContentTags) {
        const char* slot = info.slots[entry.slot];
        // The record promises a terminator; a slot without one is read to its end only.
        const std::string text(slot, std::find(slot, slot + ContentInfo::kSlotBytes, '\0'));
        if (text.empty())
            continue;
        appendBytes(chunk, entry.tag, 2);
        chunk.push_back(':');
        appendTagValue(chunk, text.c_str(), info.codeType, info.coding);
        chunk.push_back(',');
    }
    appendCheckEntry(chunk, tessal::kTrackCheckEntry, trackCheckAt);
    appendCheckEntry(chunk, tessal::kContentsCheckEntry, contentsCheckAt);
    patchSize(chunk);
    return chunk;
}

namespace {

// The play time in 4 ms ticks: divided first, then scaled, truncated to
// milliseconds, rounded up to ticks.
int playTicks(int rate, int frameCount)
{
    const int ms = static_cast<int>(static_cast<double>(frameCount) / rate * 1000.0);
    return TessalWriter::msToTicks(ms, tessal::kTimebase4ms);
}

// The ADPCM bytes of the 66.04 s a file can hold.
int keptBytes(int rate)
{
    return rate * tessal::kMaxPlayMs / 1000 / 2;
}

}  // namespace

int AtrWriter::framesKept(int rate, int frameCount)
{
    if (rate <= 0 || frameCount < 0 || playTicks(rate, frameCount) <= tessal::kMaxTicks)
        return frameCount;
    return std::min(frameCount, 2 * keptBytes(rate));
}

int AtrWriter::layOut(const ContentInfo& info, const ClipFormat& clip, std::size_t payloadBytes, ByteVector& out,
                      Layout& layout)
{
    out.clear();
    const int rate = clip.sampleRate;
    if ((rate != 4000 && rate != 8000) || clip.frameCount < 0)
        return -1;

    int ticks = playTicks(rate, clip.frameCount);
    if (ticks > tessal::kMaxTicks) {
        ticks = tessal::kMaxTicks;
        payloadBytes = static_cast<std::size_t>(keptBytes(rate));
    }

    std::size_t contentsCheckAt = 0;
    ByteVector contents = buildContents(info, layout.trackCheckAt, contentsCheckAt);
    putBE16(contents.data() + contentsCheckAt, checkDigits(contents));

    const ByteVector sequence = buildSequence(ticks);
    const ByteVector seekPhrase = buildSeekPhrase(0, static_cast<std::uint32_t>(sequence.size() - 12));
    // The whole file fits the room reserved here: the payload is appended
    // in place and never moved.
    begin(out);
    out.reserve(out.size() + contents.size() + kTrackHeadBytes + seekPhrase.size() + sequence.size() + 8 +
                payloadBytes + 2);
    layout.contentsAt = out.size();
    out.insert(out.end(), contents.begin(), contents.end());
    layout.trackAt = out.size();
    appendBytes(out, tessal::kAudioTrackId, 4);
    appendBE32(out, 0);
    // Format type 0, sequence type 0, the wave type, the timebase code twice.
    const std::uint8_t head[] = {0x00, 0x00, rate == 4000 ? tessal::kWaveType4000 : tessal::kWaveType8000, 0x00,
                                 tessal::kTimebase4ms, tessal::kTimebase4ms};
    appendBytes(out, head, sizeof head);
    out.insert(out.end(), seekPhrase.begin(), seekPhrase.end());
    out.insert(out.end(), sequence.begin(), sequence.end());
    // "Awa": the ADPCM payload comes right after its size.
    appendBytes(out, tessal::kAudioWaveId, 4);
    appendBE32(out, static_cast<std::uint32_t>(payloadBytes));
    layout.payloadAt = out.size();
    layout.payloadBytes = payloadBytes;
    return 0;
}

int AtrWriter::seal(ByteVector& out, const Layout& layout)
{
    if (out.size() != layout.payloadAt + layout.payloadBytes)
        return -1;
    // The track's check characters, computed over it in its place, go into
    // the contents, whose own check characters were computed with both
    // pairs still "00".
    patchSize(out, layout.trackAt);
    Crc16 track;
    track.update(out.data() + layout.trackAt, out.size() - layout.trackAt);
    putBE16(out.data() + layout.contentsAt + layout.trackCheckAt, Crc16::checkCharacters(track.value()));
    finish(out);
    return 0;
}

int AtrWriter::build(int, const ContentInfo& info, const ClipFormat& clip, ByteVector& adpcm, ByteVector& out)
{
    Layout layout;
    if (layOut(info, clip, adpcm.size(), out, layout) < 0)
        return -1;
    // A payload longer than the file holds is cut to it.
    adpcm.resize(layout.payloadBytes, 0);
    out.insert(out.end(), adpcm.begin(), adpcm.end());
    return seal(out, layout);
}

}  // namespace korvel
