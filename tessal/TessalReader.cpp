#include "tessal/TessalReader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tessal/ByteVector.h"
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

// The reader's state: the image and the faults found so far.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> image, TessalFile& file) : image(image), file(file) {}

    void read();

private:
    std::uint32_t be32(std::size_t at) const
    {
        return (std::uint32_t{image[at]} << 24) | (std::uint32_t{image[at + 1]} << 16) | (std::uint32_t{image[at + 2]} << 8) |
               image[at + 3];
    }
    unsigned be16(std::size_t at) const { return (unsigned{image[at]} << 8) | image[at + 1]; }
    bool is(std::size_t at, const void* id) const { return std::memcmp(image.data() + at, id, 4) == 0; }
    void fault(std::size_t offset, std::string text) { file.faults.push_back({offset, std::move(text)}); }

    // Walks the chunks in [begin, end) at a depth; calls body for each that
    // fits. False when a chunk runs past the end.
    template <typename Body>
    bool walk(std::size_t begin, std::size_t end, int depth, Body body)
    {
        std::size_t at = begin;
        while (at < end) {
            if (end - at < 8) {
                fault(at, "a chunk header of 8 bytes, only " + std::to_string(end - at) + " left");
                return false;
            }
            const std::uint32_t size = be32(at + 4);
            file.chunks.push_back({idText(&image[at]), at, size, depth});
            if (size > end - at - 8) {
                fault(at, "chunk " + quoted(idText(&image[at])) + " of " + std::to_string(size) + " bytes, only " +
                              std::to_string(end - at - 8) + " left");
                return false;
            }
            body(at, at + 8, at + 8 + size);
            at += 8 + static_cast<std::size_t>(size);
        }
        return true;
    }

    void readContents(std::size_t chunk, std::size_t data, std::size_t end);
    void readAudioTrack(std::size_t data, std::size_t end);
    void readOptions(std::size_t data, std::size_t end);
    void readMusicTrack(std::size_t data, std::size_t end);
    void checkPair(const char* name, std::size_t at, const ByteVector& over);

    std::span<const std::uint8_t> image;
    TessalFile& file;
    std::size_t contentsStart = 0, contentsEnd = 0, trackStart = 0, trackEnd = 0;
    std::size_t a0 = 0, a2 = 0;  // offsets of the check-character pairs
    bool seenKinds[3] = {false, false, false};  // "CNTI", "OPDA", a track
};

void Reader::checkPair(const char* name, std::size_t at, const ByteVector& over)
{
    std::uint8_t pair[2];
    putBE16(pair, checkDigits(over));
    if (image[at] != pair[0] || image[at + 1] != pair[1])
        fault(at, std::string(name) + " check characters " + quoted(std::string(reinterpret_cast<const char*>(&image[at]), 2)) +
                      ", expected " + quoted(std::string(reinterpret_cast<char*>(pair), 2)));
}

void Reader::readContents(std::size_t chunk, std::size_t data, std::size_t end)
{
    contentsStart = chunk;
    contentsEnd = end;
    if (end - data < 5) {
        fault(data, "the 5 head bytes of \"CNTI\"");
        return;
    }
    file.contentsType = image[data + 1];
    file.codeType = image[data + 2];
    file.copyStatus = image[data + 3];
    if (end - data == 5) {
        // The music-track files: contents type 0x32 or 0x34 and no tags.
        file.variant = file.contentsType == 0x34 ? 2 : file.contentsType == 0x32 ? 1 : -1;
        file.codeType = -1;
        file.copyStatus = -1;
        return;
    }
    file.variant = 0;
    // Entries "XX:value," up to the end of the chunk.
    std::size_t at = data + 5;
    while (at < end) {
        if (end - at < 4 || image[at + 2] != ':') {
            fault(at, "a tag entry \"XX:value,\"");
            return;
        }
        const std::string tag(reinterpret_cast<const char*>(&image[at]), 2);
        std::string value;
        std::size_t p = at + 3;
        const bool single = tag == "R5";  // a zero byte as its value
        while (p < end && (single ? p < at + 4 : image[p] != ',')) {
            // In every code type a "\" before a "," or a "\" keeps that
            // byte in the value; any other "\" is a byte of the value.
            if (!single && image[p] == '\\' && p + 1 < end && (image[p + 1] == ',' || image[p + 1] == '\\'))
                ++p;
            value += static_cast<char>(image[p++]);
        }
        if (p >= end || image[p] != ',') {
            fault(at, "the comma that ends the entry " + quoted(tag));
            return;
        }
        if (tag == "A0" || tag == "A2") {
            if (value.size() != 6 || value.compare(0, 4, "QK20") != 0) {
                fault(at, "entry " + tag + " of \"QK20\" and two check characters");
                return;
            }
            (tag == "A0" ? a0 : a2) = p - 2;
        } else if (tag != "R5") {
            file.tags.emplace_back(tag, value);
        }
        at = p + 1;
    }
}

void Reader::readAudioTrack(std::size_t data, std::size_t end)
{
    if (end - data < 6) {
        fault(data, "the 6 head bytes of the audio track");
        return;
    }
    const unsigned wave = image[data + 2];
    if (wave == tessal::kWaveType4000 || wave == tessal::kWaveType8000) {
        file.sampleRate = wave == tessal::kWaveType4000 ? 4000 : 8000;
        file.channels = 1;
    } else {
        fault(data + 2, "wave type 0x10 or 0x11, found 0x" + hex(wave, 2));
    }
    walk(data + 6, end, 2, [&](std::size_t chunk, std::size_t body, std::size_t bodyEnd) {
        if (is(chunk, tessal::kAudioSequenceId)) {
            if (bodyEnd - body < 7) {
                fault(body, "a sequence of at least 7 bytes");
                return;
            }
            // The play length takes a second byte from 128 on; both lie
            // inside the chunk or the sequence is cut short.
            const unsigned b0 = image[body + 6];
            if (b0 >= 128 && bodyEnd - body < 8) {
                fault(body + 6, "the second byte of the play length inside \"Atsq\"");
                return;
            }
            file.ticks = b0 < 128 ? static_cast<int>(b0) : 128 + static_cast<int>((b0 & 0x7F) << 7) + image[body + 7];
        } else if (is(chunk, tessal::kAudioWaveId)) {
            file.adpcmOffset = body;
            file.adpcmLength = bodyEnd - body;
        } else if (!is(chunk, tessal::kSeekPhraseId)) {
            fault(chunk, "unknown chunk " + quoted(idText(&image[chunk])) + " in the audio track");
        }
    });
}

void Reader::readOptions(std::size_t data, std::size_t end)
{
    // "Dch" 0xFF, the length of its entries, then entries of a 2-byte tag,
    // a 2-byte length and the value; a "Pro" sub-chunk may follow.
    if (end - data < 8 || !is(data, tessal::kDataChunkId)) {
        fault(data, "the \"Dch\" block of the option data");
        return;
    }
    const std::size_t entriesEnd = data + 8 + std::min<std::size_t>(be32(data + 4), end - data - 8);
    std::size_t at = data + 8;
    while (at + 4 <= entriesEnd) {
        const std::string tag(reinterpret_cast<const char*>(&image[at]), 2);
        const std::size_t length = be16(at + 2);
        if (length > entriesEnd - at - 4) {
            fault(at, "option entry " + quoted(tag) + " of " + std::to_string(length) + " bytes");
            return;
        }
        if ((tag == "A0" || tag == "A2") && length == 6)
            (tag == "A0" ? a0 : a2) = at + 8;
        at += 4 + length;
    }
}

void Reader::readMusicTrack(std::size_t data, std::size_t end)
{
    if (end - data < 20) {
        fault(data, "the 20 head bytes of the music track");
        return;
    }
    walk(data + 20, end, 2, [&](std::size_t chunk, std::size_t body, std::size_t bodyEnd) {
        if (is(chunk, tessal::kMusicSequenceId)) {
            // The play length follows the 25 bytes of the setup events.
            int ticks = 0;
            std::size_t p = body + 25;
            for (int i = 0; i < 4 && p < bodyEnd; ++i, ++p) {
                ticks = (ticks << 7) | (image[p] & 0x7F);
                if (!(image[p] & 0x80)) {
                    file.ticks = ticks;
                    break;
                }
            }
        } else if (is(chunk, tessal::kStreamId)) {
            if (bodyEnd - body < 15 || !is(body, tessal::kMusicWaveId)) {
                fault(body, "a stream wave \"Mwa\\x01\" with its format");
                return;
            }
            const unsigned format = image[body + 8];
            file.channels = format == 0x20 ? 1 : format == 0xA0 ? 2 : 0;
            if (file.channels == 0)
                fault(body + 8, "format 0x20 or 0xA0, found 0x" + hex(format, 2));
            file.sampleRate = static_cast<int>(be16(body + 9));
            file.adpcmOffset = body + 11;
            file.adpcmLength = bodyEnd - body - 11;
        } else if (!is(chunk, tessal::kSetupId)) {
            fault(chunk, "unknown chunk " + quoted(idText(&image[chunk])) + " in the music track");
        }
    });
}

void Reader::read()
{
    file.length = image.size();
    if (image.size() < 10 || !is(0, tessal::kFileId)) {
        fault(0, "not a Tessal file: expected \"MMMD\" and at least 10 bytes");
        return;
    }
    const std::uint32_t size = be32(4);
    file.chunks.push_back({"MMMD", 0, size, 0});
    if (size != image.size() - 8)
        fault(4, "\"MMMD\" size " + std::to_string(size) + ", expected " + std::to_string(image.size() - 8) +
                     " (the file length - 8)");
    const std::size_t end = image.size() - 2;
    const unsigned stored = be16(end);
    const unsigned crc = crc16(ByteVector(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(end)));
    if (stored != crc)
        fault(end, "CRC " + hex(stored, 4) + ", expected " + hex(crc, 4));

    walk(8, end, 1, [&](std::size_t chunk, std::size_t data, std::size_t chunkEnd) {
        const std::uint8_t* id = &image[chunk];
        // The check pairs refer to one chunk of each kind.
        const int kind = is(chunk, tessal::kContentsId)     ? 0
                         : is(chunk, tessal::kOptionDataId) ? 1
                         : is(chunk, tessal::kAudioTrackId) || (std::memcmp(id, "MTR", 3) == 0 && (id[3] == 5 || id[3] == 6))
                             ? 2
                             : -1;
        if (kind >= 0 && seenKinds[kind]) {
            fault(chunk, std::string("a second ") + (kind == 2 ? "track" : "contents") + " chunk " +
                             quoted(idText(id)) + ": a file has one");
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
        } else if (std::memcmp(id, "MTR", 3) == 0 && (id[3] == 5 || id[3] == 6)) {
            trackStart = chunk;
            trackEnd = chunkEnd;
            readMusicTrack(data, chunkEnd);
        } else {
            fault(chunk, "unknown chunk " + quoted(idText(id)));
        }
    });

    if (trackEnd == 0)
        fault(8, "an audio or music track chunk");
    auto inContents = [&](std::size_t at) { return at >= contentsStart && at + 2 <= contentsEnd; };
    if (a0 == 0 || a2 == 0) {
        fault(8, "the check entries A0 and A2");
    } else if (!inContents(a0) || !inContents(a2)) {
        // Pairs read from "CNTI" while "OPDA" holds the contents information.
        fault(a0, "the check entries A0 and A2 inside the contents chunk");
    } else if (trackEnd != 0) {
        // A0 covers the track, A2 its own chunk with both pairs "00".
        checkPair("A0", a0, ByteVector(image.begin() + static_cast<std::ptrdiff_t>(trackStart),
                                       image.begin() + static_cast<std::ptrdiff_t>(trackEnd)));
        ByteVector own(image.begin() + static_cast<std::ptrdiff_t>(contentsStart), image.begin() + static_cast<std::ptrdiff_t>(contentsEnd));
        for (std::size_t at : {a0, a2})
            own[at - contentsStart] = own[at - contentsStart + 1] = '0';
        checkPair("A2", a2, own);
    }
    if (trackEnd != 0 && file.adpcmLength == 0)
        fault(trackStart, "wave data in the track");
    std::stable_sort(file.faults.begin(), file.faults.end(),
                     [](const TessalFault& a, const TessalFault& b) { return a.offset < b.offset; });
}

}  // namespace

TessalFile readTessal(std::span<const std::uint8_t> image)
{
    TessalFile file;
    Reader(image, file).read();
    return file;
}

}  // namespace korvel
