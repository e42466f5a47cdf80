#include "tessal/TessalReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "formats/FileWindow.h"
#include "formats/ImageFile.h"
#include "tessal/ByteVector.h"
#include "tessal/Crc16.h"
#include "tessal/TessalFormat.h"

namespace korvel {

namespace {

std::string hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string idText(const std::uint8_t* id)
{
    std::string out;
    for (int i = 0; i < 4; ++i) {
        if (id[i] >= 0x20 && id[i] < 0x7F && id[i] != '\\')
            out += static_cast<char>(id[i]);
        else
            out += "\\x" + hex(id[i], 2);
    }
    return out;
}

std::string quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

// The largest tag value the reader takes. No writer makes a value of more
// than 512 bytes (256 escaped).
constexpr std::size_t kMaxValueBytes = 64 * 1024;
// The most chunks a file is walked for, and the most tags read. A written
// file has six chunks and at most eleven tags; without a limit, a large
// file of zeros would be read as millions of empty chunks, or a large
// contents chunk as millions of short tags, each one recorded.
constexpr std::size_t kMaxChunks = 256;
constexpr std::size_t kMaxTags = 256;

// The reader's state: a window on the file, and the faults found so far.
// Every offset it reads at has been checked against the file's length first.
class Reader {
public:
    Reader(InputFile& input, TessalFile& file, bool sums) : bytes(input), file(file), sums(sums) {}

    void read();

private:
    std::uint8_t at(std::size_t offset) { return bytes.at(offset); }
    std::uint32_t be32(std::size_t offset) { return bytes.be32(offset); }
    unsigned be16(std::size_t offset) { return bytes.be16(offset); }
    bool is(std::size_t offset, const void* id)
    {
        const auto* bytes = static_cast<const std::uint8_t*>(id);
        return at(offset) == bytes[0] && at(offset + 1) == bytes[1] && at(offset + 2) == bytes[2] && at(offset + 3) == bytes[3];
    }
    std::string bytesAt(std::size_t offset, std::size_t count)
    {
        std::string out;
        for (std::size_t i = 0; i < count; ++i)
            out += static_cast<char>(at(offset + i));
        return out;
    }
    std::string idAt(std::size_t offset)
    {
        const std::uint8_t id[4] = {at(offset), at(offset + 1), at(offset + 2), at(offset + 3)};
        return idText(id);
    }
    void fault(std::size_t offset, TessalFaultKind kind, std::string text)
    {
        file.faults.push_back({offset, kind, std::move(text)});
    }

    // Walks the chunks in [begin, end) at a depth; calls body for each that
    // fits. False when a chunk runs past the end.
    template <typename Body>
    bool walk(std::size_t begin, std::size_t end, int depth, Body body)
    {
        std::size_t offset = begin;
        while (offset < end && !bytes.failed()) {
            if (end - offset < 8) {
                fault(offset, TessalFaultKind::truncated, "a chunk header of 8 bytes, only " + std::to_string(end - offset) + " left");
                return false;
            }
            if (file.chunks.size() == kMaxChunks) {
                fault(offset, TessalFaultKind::tooMany, "at most " + std::to_string(kMaxChunks) + " chunks in a file");
                return false;
            }
            const std::uint32_t size = be32(offset + 4);
            const std::string id = idAt(offset);
            file.chunks.push_back({id, offset, size, depth});
            if (size > end - offset - 8) {
                fault(offset, TessalFaultKind::truncated, "chunk " + quoted(id) + " of " + std::to_string(size) + " bytes, only " +
                                  std::to_string(end - offset - 8) + " left");
                return false;
            }
            body(offset, offset + 8, offset + 8 + size);
            offset += 8 + static_cast<std::size_t>(size);
        }
        return true;
    }

    void readContents(std::size_t chunk, std::size_t data, std::size_t end);
    void readAudioTrack(std::size_t data, std::size_t end);
    void readOptions(std::size_t data, std::size_t end);
    void readMusicTrack(std::size_t data, std::size_t end);
    void computeSums(std::size_t end);
    void compareSums(std::size_t end);
    void checkPair(const char* name, std::size_t offset, const Crc16& over);

    FileWindow bytes;
    TessalFile& file;
    bool sums;
    std::size_t contentsStart = 0, contentsEnd = 0, trackStart = 0, trackEnd = 0;
    std::size_t a0 = 0, a2 = 0;  // offsets of the check-character pairs
    bool seenKinds[3] = {false, false, false};  // "CNTI", "OPDA", a track
    Crc16 fileCrc, trackCrc, contentsCrc;
};

void Reader::checkPair(const char* name, std::size_t offset, const Crc16& over)
{
    std::uint8_t pair[2];
    putBE16(pair, Crc16::checkCharacters(over.value()));
    const std::string stored = bytesAt(offset, 2);
    if (static_cast<std::uint8_t>(stored[0]) != pair[0] || static_cast<std::uint8_t>(stored[1]) != pair[1])
        fault(offset, TessalFaultKind::checkCharacters, std::string(name) + " check characters " + quoted(stored) + ", expected " +
                          quoted(std::string(reinterpret_cast<char*>(pair), 2)));
}

// Every byte before the closing CRC once, a window at a time: the CRC of the
// file, that of the track, and that of the contents chunk with both pairs
// of check characters read as "00".
void Reader::computeSums(std::size_t end)
{
    const auto feed = [](Crc16& crc, std::size_t from, const std::uint8_t* bytes, std::size_t count, std::size_t begin,
                         std::size_t stop) {
        const std::size_t first = std::max(from, begin), last = std::min(from + count, stop);
        if (first < last)
            crc.update(bytes + (first - from), last - first);
    };
    for (std::size_t from = 0; from < end && !bytes.failed();) {
        std::size_t count = end - from;
        std::uint8_t* block = bytes.block(from, count);
        fileCrc.update(block, count);
        feed(trackCrc, from, block, count, trackStart, trackEnd);
        if (a0 != 0 && a2 != 0)
            for (std::size_t pairByte : {a0, a0 + 1, a2, a2 + 1})
                if (pairByte >= from && pairByte < from + count)
                    block[pairByte - from] = '0';
        feed(contentsCrc, from, block, count, contentsStart, contentsEnd);
        from += count;
    }
}

void Reader::readContents(std::size_t chunk, std::size_t data, std::size_t end)
{
    contentsStart = chunk;
    contentsEnd = end;
    if (end - data < tessal::kContentsHeadBytes) {
        fault(data, TessalFaultKind::contents, "the " + std::to_string(tessal::kContentsHeadBytes) + " head bytes of \"CNTI\"");
        return;
    }
    file.contentsType = at(data + 1);
    file.codeType = at(data + 2);
    file.copyStatus = at(data + 3);
    if (end - data == tessal::kContentsHeadBytes) {
        // The music-track files: their own contents types and no tags.
        file.variant = file.contentsType == tessal::kContentsTypeMusicPro ? 2
                       : file.contentsType == tessal::kContentsTypeMusic  ? 1
                                                                         : -1;
        file.codeType = -1;
        file.copyStatus = -1;
        return;
    }
    file.variant = 0;
    // Entries "XX:value," up to the end of the chunk.
    std::size_t entry = data + tessal::kContentsHeadBytes;
    while (entry < end && !bytes.failed()) {
        if (end - entry < 4 || at(entry + 2) != ':') {
            fault(entry, TessalFaultKind::contents, "a tag entry \"XX:value,\"");
            return;
        }
        const std::string tag = bytesAt(entry, 2);
        std::string value;
        std::size_t p = entry + 3;
        const bool single = tag == "R5";  // a zero byte as its value
        while (p < end && (single ? p < entry + 4 : at(p) != ',')) {
            // In every code type a "\" before a "," or a "\" keeps that
            // byte in the value; any other "\" is a byte of the value.
            if (!single && at(p) == '\\' && p + 1 < end && (at(p + 1) == ',' || at(p + 1) == '\\'))
                ++p;
            value += static_cast<char>(at(p++));
            if (value.size() > kMaxValueBytes) {
                fault(entry, TessalFaultKind::contents, "a value of at most " + std::to_string(kMaxValueBytes) + " bytes in the entry " + quoted(tag));
                return;
            }
        }
        if (p >= end || at(p) != ',') {
            fault(entry, TessalFaultKind::contents, "the comma that ends the entry " + quoted(tag));
            return;
        }
        if (tag == tessal::kTrackCheckTag || tag == tessal::kContentsCheckTag) {
            if (value.size() != 6 || value.compare(0, 4, tessal::kCheckMark) != 0) {
                fault(entry, TessalFaultKind::contents, "entry " + tag + " of " + quoted(tessal::kCheckMark) + " and two check characters");
                return;
            }
            (tag == tessal::kTrackCheckTag ? a0 : a2) = p - 2;
        } else if (tag != "R5") {
            if (file.tags.size() == kMaxTags) {
                fault(entry, TessalFaultKind::tooMany, "at most " + std::to_string(kMaxTags) + " tag entries");
                return;
            }
            file.tags.emplace_back(tag, value);
        }
        entry = p + 1;
    }
}

void Reader::readAudioTrack(std::size_t data, std::size_t end)
{
    if (end - data < 6) {
        fault(data, TessalFaultKind::track, "the 6 head bytes of the audio track");
        return;
    }
    const unsigned wave = at(data + 2);
    if (wave == tessal::kWaveType4000 || wave == tessal::kWaveType8000) {
        file.sampleRate = wave == tessal::kWaveType4000 ? 4000 : 8000;
        file.channels = 1;
    } else {
        fault(data + 2, TessalFaultKind::track, "wave type 0x" + hex(tessal::kWaveType4000, 2) + " or 0x" + hex(tessal::kWaveType8000, 2) +
                            ", found 0x" + hex(wave, 2));
    }
    walk(data + 6, end, 2, [&](std::size_t chunk, std::size_t body, std::size_t bodyEnd) {
        if (is(chunk, tessal::kAudioSequenceId)) {
            constexpr std::size_t lengthAt = sizeof tessal::kAudioSequenceStart;
            if (bodyEnd - body < lengthAt + 1) {
                fault(body, TessalFaultKind::track, "a sequence of at least " + std::to_string(lengthAt + 1) + " bytes");
                return;
            }
            // The play length takes a second byte from 128 on; both lie
            // inside the chunk or the sequence is cut short.
            const unsigned b0 = at(body + lengthAt);
            if (b0 >= 128 && bodyEnd - body < lengthAt + 2) {
                fault(body + lengthAt, TessalFaultKind::track, "the second byte of the play length inside \"Atsq\"");
                return;
            }
            file.ticks = b0 < 128 ? static_cast<int>(b0) : 128 + static_cast<int>((b0 & 0x7F) << 7) + at(body + lengthAt + 1);
        } else if (is(chunk, tessal::kAudioWaveId)) {
            file.adpcmOffset = body;
            file.adpcmLength = bodyEnd - body;
        } else if (!is(chunk, tessal::kSeekPhraseId)) {
            fault(chunk, TessalFaultKind::unknownChunk, "unknown chunk " + quoted(idAt(chunk)) + " in the audio track");
        }
    });
}

void Reader::readOptions(std::size_t data, std::size_t end)
{
    // "Dch" 0xFF, the length of its entries, then entries of a 2-byte tag,
    // a 2-byte length and the value; a "Pro" sub-chunk may follow.
    if (end - data < 8 || !is(data, tessal::kDataChunkId)) {
        fault(data, TessalFaultKind::options, "the \"Dch\" block of the option data");
        return;
    }
    const std::size_t entriesEnd = data + 8 + std::min<std::size_t>(be32(data + 4), end - data - 8);
    std::size_t at = data + 8;
    while (at + 4 <= entriesEnd) {
        const std::string tag = bytesAt(at, 2);
        const std::size_t length = be16(at + 2);
        if (length > entriesEnd - at - 4) {
            fault(at, TessalFaultKind::options, "option entry " + quoted(tag) + " of " + std::to_string(length) + " bytes");
            return;
        }
        if ((tag == tessal::kTrackCheckTag || tag == tessal::kContentsCheckTag) && length == 6)
            (tag == tessal::kTrackCheckTag ? a0 : a2) = at + 8;
        at += 4 + length;
    }
}

void Reader::readMusicTrack(std::size_t data, std::size_t end)
{
    if (end - data < tessal::kMusicTrackHeadBytes) {
        fault(data, TessalFaultKind::track, "the " + std::to_string(tessal::kMusicTrackHeadBytes) + " head bytes of the music track");
        return;
    }
    walk(data + tessal::kMusicTrackHeadBytes, end, 2, [&](std::size_t chunk, std::size_t body, std::size_t bodyEnd) {
        if (is(chunk, tessal::kMusicSequenceId)) {
            // The play length follows the setup events.
            int ticks = 0;
            std::size_t p = body + sizeof tessal::kMusicSequenceStart;
            for (int i = 0; i < 4 && p < bodyEnd; ++i, ++p) {
                const unsigned byte = at(p);
                ticks = (ticks << 7) | static_cast<int>(byte & 0x7F);
                if (!(byte & 0x80)) {
                    file.ticks = ticks;
                    break;
                }
            }
        } else if (is(chunk, tessal::kStreamId)) {
            if (bodyEnd - body < 15 || !is(body, tessal::kMusicWaveId)) {
                fault(body, TessalFaultKind::track, "a stream wave \"Mwa\\x01\" with its format");
                return;
            }
            const unsigned format = at(body + 8);
            file.channels = format == tessal::kStreamFormatMono ? 1 : format == tessal::kStreamFormatStereo ? 2 : 0;
            if (file.channels == 0)
                fault(body + 8, TessalFaultKind::track, "format 0x" + hex(tessal::kStreamFormatMono, 2) + " or 0x" +
                                    hex(tessal::kStreamFormatStereo, 2) + ", found 0x" + hex(format, 2));
            file.sampleRate = static_cast<int>(be16(body + 9));
            file.adpcmOffset = body + 11;
            file.adpcmLength = bodyEnd - body - 11;
        } else if (!is(chunk, tessal::kSetupId)) {
            fault(chunk, TessalFaultKind::unknownChunk, "unknown chunk " + quoted(idAt(chunk)) + " in the music track");
        }
    });
}

void Reader::read()
{
    // Only the first bytes decide whether this is a Tessal file at all.
    file.length = bytes.length();
    if (file.length < 10 || !is(0, tessal::kFileId)) {
        fault(0, bytes.failed() ? TessalFaultKind::unreadable : TessalFaultKind::notTessal,
              bytes.failed() ? "the file cannot be read" : "not a Tessal file: expected \"MMMD\" and at least 10 bytes");
        return;
    }
    const std::uint32_t size = be32(4);
    file.chunks.push_back({"MMMD", 0, size, 0});
    if (size != file.length - 8)
        fault(4, TessalFaultKind::fileLength, "\"MMMD\" size " + std::to_string(size) + ", expected " + std::to_string(file.length - 8) +
                     " (the file length - 8)");
    const std::size_t end = file.length - 2;

    walk(8, end, 1, [&](std::size_t chunk, std::size_t data, std::size_t chunkEnd) {
        const std::string id = idAt(chunk);
        const bool musicTrack = id.compare(0, 3, tessal::kMusicTrackId) == 0 &&
                                (at(chunk + 3) == tessal::kTrackNumberMusic || at(chunk + 3) == tessal::kTrackNumberMusicPro);
        // The check pairs refer to one chunk of each kind.
        const int kind = is(chunk, tessal::kContentsId)                    ? 0
                         : is(chunk, tessal::kOptionDataId)                ? 1
                         : is(chunk, tessal::kAudioTrackId) || musicTrack ? 2
                                                                           : -1;
        if (kind >= 0 && seenKinds[kind]) {
            fault(chunk, TessalFaultKind::duplicate, std::string("a second ") + (kind == 2 ? "track" : "contents") + " chunk " + quoted(id) +
                             ": a file has one");
            return;
        }
        if (kind >= 0)
            seenKinds[kind] = true;
        if (is(chunk, tessal::kContentsId)) {
            readContents(chunk, data, chunkEnd);
        } else if (is(chunk, tessal::kAudioTrackId)) {
            trackStart = chunk;
            trackEnd = chunkEnd;
            readAudioTrack(data, chunkEnd);
        } else if (is(chunk, tessal::kOptionDataId)) {
            contentsStart = chunk;
            contentsEnd = chunkEnd;
            readOptions(data, chunkEnd);
        } else if (musicTrack) {
            trackStart = chunk;
            trackEnd = chunkEnd;
            readMusicTrack(data, chunkEnd);
        } else {
            fault(chunk, TessalFaultKind::unknownChunk, "unknown chunk " + quoted(id));
        }
    });

    if (sums)
        computeSums(end);
    if (bytes.failed())
        fault(bytes.failedAt(), TessalFaultKind::unreadable, "the file cannot be read from here on");
    // What was not read cannot be checked.
    if (sums && !bytes.failed())
        compareSums(end);
    std::stable_sort(file.faults.begin(), file.faults.end(),
                     [](const TessalFault& a, const TessalFault& b) { return a.offset < b.offset; });
}

// The CRC, the track and the check characters against what checksums found.
void Reader::compareSums(std::size_t end)
{
    const unsigned stored = be16(end);
    if (stored != fileCrc.value())
        fault(end, TessalFaultKind::crc, "CRC " + hex(stored, 4) + ", expected " + hex(fileCrc.value(), 4));
    if (trackEnd == 0)
        fault(8, TessalFaultKind::missing, "an audio or music track chunk");
    auto inContents = [&](std::size_t offset) { return offset >= contentsStart && offset + 2 <= contentsEnd; };
    if (a0 == 0 || a2 == 0) {
        fault(8, TessalFaultKind::missing, "the check entries A0 and A2");
    } else if (!inContents(a0) || !inContents(a2)) {
        // Pairs read from "CNTI" while "OPDA" holds the contents information.
        fault(a0, TessalFaultKind::missing, "the check entries A0 and A2 inside the contents chunk");
    } else if (trackEnd != 0) {
        // A0 covers the track, A2 its own chunk with both pairs "00".
        checkPair(tessal::kTrackCheckTag, a0, trackCrc);
        checkPair(tessal::kContentsCheckTag, a2, contentsCrc);
    }
    if (trackEnd != 0 && file.adpcmLength == 0)
        fault(trackStart, TessalFaultKind::missing, "wave data in the track");
}

}  // namespace

const char* faultKindName(TessalFaultKind kind)
{
    // In the order of the kinds.
    static constexpr const char* kNames[] = {"unreadable", "notTessal", "fileLength", "truncated", "tooMany",
                                             "contents",   "checkCharacters", "track", "options", "unknownChunk",
                                             "duplicate",  "missing",   "crc"};
    static_assert(std::size(kNames) == static_cast<std::size_t>(TessalFaultKind::crc) + 1);
    return kNames[static_cast<std::size_t>(kind)];
}

TessalFile readTessal(InputFile& input)
{
    TessalFile file;
    Reader(input, file, true).read();
    return file;
}

TessalFile readTessalLayout(InputFile& input)
{
    TessalFile file;
    Reader(input, file, false).read();
    return file;
}

TessalFile readTessal(std::span<const std::uint8_t> image)
{
    ImageFile input(image);
    return readTessal(input);
}

}  // namespace korvel
