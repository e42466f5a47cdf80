#include "reference/MtrWriter.h"

#include <climits>

#include "formats/ClipFormat.h"
#include "tessal/TessalFormat.h"

namespace korvel {

namespace {

void appendChunkBytes(ByteVector& chunk, const ByteVector& part)
{
    chunk.insert(chunk.end(), part.begin(), part.end());
}

// A check entry of the option data: tag, 2-byte length 6, "Qk20", the pair.
void appendCheckEntry(ByteVector& chunk, const char* tag, std::size_t& checkAt)
{
    appendBytes(chunk, tag, 2);
    appendBE16(chunk, 6);
    appendBytes(chunk, tessal::kOptionCheckValue, 6);
    checkAt = chunk.size() - 2;
}

}  // namespace

MtrWriter::MtrWriter()
{
    contentsType = tessal::kContentsTypeMusic;
    trackNumber = tessal::kTrackNumberMusic;
}

MtrWriter::~MtrWriter() = default;

int MtrWriter::build(int, const ContentInfo&, const ClipFormat& clip, ByteVector& adpcm, ByteVector& out)
{
    ByteVector contents;
    buildCnti(contents);
    ByteVector track;
    if (buildMtr(tessal::kTimebase4ms, clip, adpcm, track) < 0)
        return -1;
    ByteVector options;
    std::size_t trackCheckAt = 0;
    std::size_t optionsCheckAt = 0;
    const int result = buildOpda(options, trackCheckAt, optionsCheckAt);
    putBE16(options.data() + optionsCheckAt, checkDigits(options));
    putBE16(options.data() + trackCheckAt, checkDigits(track));

    begin(out);
    appendChunkBytes(out, contents);
    appendChunkBytes(out, options);
    appendChunkBytes(out, track);
    finish(out);
    return result;
}

int MtrWriter::buildCnti(ByteVector& chunk)
{
    appendBytes(chunk, tessal::kContentsId, 4);
    appendBE32(chunk, tessal::kContentsHeadBytes);
    const std::uint8_t head[] = {tessal::kContentsClass, contentsType};
    appendBytes(chunk, head, sizeof head);
    appendBytes(chunk, tessal::kMusicContentsTail, sizeof tessal::kMusicContentsTail);
    return 0;
}

int MtrWriter::buildOpda(ByteVector& chunk, std::size_t& trackCheckAt, std::size_t& optionsCheckAt)
{
    appendBytes(chunk, tessal::kOptionDataId, 4);
    appendBE32(chunk, 0);
    appendBytes(chunk, tessal::kDataChunkId, 4);
    // The length of the three entries below.
    appendBE32(chunk, tessal::kMusicOptionBytes);
    appendBytes(chunk, tessal::kMusicOptionEntry, sizeof tessal::kMusicOptionEntry);
    appendCheckEntry(chunk, tessal::kTrackCheckTag, trackCheckAt);
    appendCheckEntry(chunk, tessal::kContentsCheckTag, optionsCheckAt);
    patchSize(chunk);
    return 0;
}

int MtrWriter::buildMtr(int, const ClipFormat& clip, const ByteVector& adpcm, ByteVector& chunk)
{
    const int rate = clip.sampleRate;
    if (rate <= 0 || clip.frameCount < 0 || (clip.channels != 1 && clip.channels != 2))
        return -1;
    // In 64 bits: frames x 1000 leaves 32 bits above 2,147,483 frames.
    const long long ms = static_cast<long long>(clip.frameCount) * 1000 / rate;
    if (ms > INT_MAX)
        return -1;
    const int ticks = msToTicks(static_cast<int>(ms), tessal::kTimebase4ms);
    // The sequence writes the length as a variable-length quantity.
    if (ticks >= (1 << 28))
        return -1;
    playTicks = ticks;

    appendBytes(chunk, tessal::kMusicTrackId, 3);
    chunk.push_back(trackNumber);
    appendBE32(chunk, 0);
    appendBytes(chunk, tessal::kMusicTrackHead, sizeof tessal::kMusicTrackHead);
    chunk.insert(chunk.end(), tessal::kMusicTrackHeadBytes - sizeof tessal::kMusicTrackHead, 0x00);

    // Setup: two system-exclusive messages.
    appendBytes(chunk, tessal::kSetupId, 4);
    appendBE32(chunk, sizeof tessal::kMusicSetup);
    appendBytes(chunk, tessal::kMusicSetup, sizeof tessal::kMusicSetup);

    // Sequence: set up the channel, start the stream wave, hold it for the
    // play length, end.
    const std::size_t sequenceAt = chunk.size();
    appendBytes(chunk, tessal::kMusicSequenceId, 4);
    appendBE32(chunk, 0);
    appendBytes(chunk, tessal::kMusicSequenceStart, sizeof tessal::kMusicSequenceStart);
    appendVarLen(chunk, ticks);
    appendVarLen(chunk, ticks);
    appendBytes(chunk, tessal::kMusicSequenceEnd, sizeof tessal::kMusicSequenceEnd);
    patchSize(chunk, sequenceAt);

    // Stream: the wave data with its format byte and the low 16 bits of the rate.
    const std::size_t streamAt = chunk.size();
    appendBytes(chunk, tessal::kStreamId, 4);
    appendBE32(chunk, 0);
    appendBytes(chunk, tessal::kMusicWaveId, 4);
    appendBE32(chunk, static_cast<std::uint32_t>(adpcm.size() + 3));
    chunk.push_back(clip.channels == 1 ? tessal::kStreamFormatMono : tessal::kStreamFormatStereo);
    appendBE16(chunk, static_cast<std::uint16_t>(rate & 0xFFFF));
    chunk.insert(chunk.end(), adpcm.begin(), adpcm.end());
    patchSize(chunk, streamAt);

    patchSize(chunk);
    return 0;
}

}  // namespace korvel
