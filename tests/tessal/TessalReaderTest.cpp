#include "tessal/TessalReader.h"

#include <algorithm>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "tessal/AtrWriter.h"
#include "reference/MtrProWriter.h"
#include "reference/MtrWriter.h"
#include "tests/support/MemoryFile.h"
#include "tests/tessal/TessalTestSupport.h"

namespace korvel {
namespace {

ByteVector audioFile()
{
    const ContentInfo info = test::contentInfo(ContentInfo::kCodeUtf8, 1, "Song", "20040101");
    ByteVector adpcm(400);
    for (std::size_t i = 0; i < adpcm.size(); ++i)
        adpcm[i] = static_cast<std::uint8_t>(i * 7);
    ByteVector out;
    AtrWriter().build(0, info, test::monoFormat(8000, 800), adpcm, out);
    return out;
}

bool names(const TessalFile& f, const std::string& words)
{
    return std::any_of(f.faults.begin(), f.faults.end(), [&](const TessalFault& x) { return x.text.find(words) != std::string::npos; });
}

// Gives a changed file a correct size and CRC again, so that only the change is at fault.
void reseal(ByteVector& f)
{
    f.resize(f.size() - 2);
    putBE32(f.data() + 4, static_cast<std::uint32_t>(f.size() - 6));
    appendBE16(f, crc16(f));
}

TEST(TessalReader, ReadsWhatTheAudioWriterWrote)
{
    const ByteVector f = audioFile();
    const TessalFile r = readTessal(f);
    EXPECT_TRUE(r.sound()) << (r.faults.empty() ? "" : r.faults.front().text);
    EXPECT_EQ(r.variant, 0);
    EXPECT_EQ(r.codeType, 0x23);
    EXPECT_TRUE(r.saveAllowed());
    EXPECT_FALSE(r.transferAllowed());
    ASSERT_EQ(r.tags.size(), 2u);
    EXPECT_EQ(r.tags[0], (std::pair<std::string, std::string>{"ST", "Song"}));
    EXPECT_EQ(r.tags[1], (std::pair<std::string, std::string>{"CD", "20040101"}));
    EXPECT_EQ(r.sampleRate, 8000);
    EXPECT_EQ(r.channels, 1);
    EXPECT_EQ(r.ticks, 25);
    EXPECT_EQ(r.adpcmOffset, 0x86u);
    EXPECT_EQ(r.adpcmLength, 400u);
    ASSERT_EQ(r.chunks.size(), 6u);
    EXPECT_EQ(r.chunks[2].id, "ATR\\x00");
    EXPECT_EQ(r.chunks[2].offset, 0x42u);
    EXPECT_EQ(r.chunks[2].size, 460u);
}

TEST(TessalReader, TextsWithCommasAndBackslashesComeBackAsTheyWereWritten)
{
    const std::string title = "Hello, world \\o/,";
    for (std::uint8_t codeType : {0, 1, 2, 0x23}) {
        const ContentInfo info = test::contentInfo(codeType, 0, title.c_str(), "20040101");
        ByteVector adpcm(400), out;
        AtrWriter().build(0, info, test::monoFormat(8000, 800), adpcm, out);
        const TessalFile r = readTessal(out);
        EXPECT_TRUE(r.sound()) << int(codeType) << ": " << (r.faults.empty() ? "" : r.faults.front().text);
        ASSERT_EQ(r.tags.size(), 2u) << int(codeType);
        EXPECT_EQ(r.tags[0].second, title) << int(codeType);
        EXPECT_EQ(r.tags[1].second, "20040101") << int(codeType);
    }
}

TEST(TessalReader, APlayLengthOfTwoBytesMustLieInsideItsSequence)
{
    // A file around a track, every size and check made right.
    const auto fileAround = [](ByteVector track) {
        putBE32(track.data() + 4, static_cast<std::uint32_t>(track.size() - 8));
        ByteVector contents = test::hex("43 4E 54 49 00 00 00 1E  00 01 23 00 00  52 35 3A 00 2C "
                                        "41 30 3A 51 4B 32 30 30 30 2C  41 32 3A 51 4B 32 30 30 30 2C");
        putBE16(contents.data() + 35, checkDigits(contents));
        putBE16(contents.data() + 25, checkDigits(track));
        ByteVector f = test::hex("4D 4D 4D 44 00 00 00 00");
        f.insert(f.end(), contents.begin(), contents.end());
        f.insert(f.end(), track.begin(), track.end());
        f.resize(f.size() + 2);
        reseal(f);
        return f;
    };
    // A track whose "Atsq" holds 7 bytes, the last a first length byte of
    // 128 or more, and ends the file: its second byte would be the CRC.
    ByteVector track = test::hex("41 54 52 00 00 00 00 00  00 00 11 00 02 02 "
                                 "41 77 61 01 00 00 00 04  00 00 00 00 "
                                 "41 74 73 71 00 00 00 07  01 00 37 7F 01 01 80");
    const TessalFile r = readTessal(fileAround(track));
    EXPECT_FALSE(r.sound());
    EXPECT_TRUE(names(r, "second byte of the play length")) << (r.faults.empty() ? "" : r.faults.front().text);

    // With the second byte inside, the same file is sound.
    track.push_back(0x00);
    putBE32(track.data() + 30, 8);
    const TessalFile fixed = readTessal(fileAround(track));
    EXPECT_TRUE(fixed.sound()) << (fixed.faults.empty() ? "" : fixed.faults.front().text);
    EXPECT_EQ(fixed.ticks, 128);
}

TEST(TessalReader, ReadsTheMusicTrackVariants)
{
    for (int variant : {1, 2}) {
        for (int channels : {1, 2}) {
            ClipFormat clip = test::monoFormat(8000, 8000);
            clip.channels = static_cast<std::uint16_t>(channels);
            ByteVector adpcm(channels == 1 ? 4000 : 8000, 0x80);
            ByteVector out;
            std::unique_ptr<OutputWriter> w = variant == 1 ? std::unique_ptr<OutputWriter>(new MtrWriter) : std::make_unique<MtrProWriter>();
            w->build(0, ContentInfo{}, clip, adpcm, out);
            const TessalFile r = readTessal(out);
            EXPECT_TRUE(r.sound()) << variant << " " << (r.faults.empty() ? "" : r.faults.front().text);
            EXPECT_EQ(r.variant, variant);
            EXPECT_EQ(r.channels, channels);
            EXPECT_EQ(r.sampleRate, 8000);
            EXPECT_EQ(r.ticks, 250);
            EXPECT_EQ(r.adpcmLength, adpcm.size());
        }
    }
}

TEST(TessalReader, EveryKindOfDamageIsNamed)
{
    const ByteVector good = audioFile();
    struct Row {
        const char* what;
        std::function<ByteVector()> damage;
        std::vector<TessalFaultKind> named;
    };
    using K = TessalFaultKind;
    const Row rows[] = {
        {"a flipped audio byte", [&] { ByteVector f = good; f[0x100] ^= 1; return f; }, {K::checkCharacters, K::crc}},
        {"a flipped text byte", [&] { ByteVector f = good; f[0x1E] ^= 1; return f; }, {K::checkCharacters, K::crc}},
        {"a wrong MMMD size", [&] { ByteVector f = good; f[7] ^= 4; return f; }, {K::fileLength}},
        {"a truncated file", [&] { ByteVector f = good; f.resize(300); return f; }, {K::truncated}},
        {"an unknown chunk", [&] {
             ByteVector f = good;
             const ByteVector extra = test::hex("58 59 5A 57 00 00 00 02 01 02");
             f.insert(f.begin() + 8, extra.begin(), extra.end());
             reseal(f);
             return f;
         }, {K::unknownChunk}},
        // Found by fuzzing: the check pairs of the first contents chunk were
        // then looked up in the second one, before its start.
        {"a second contents chunk", [&] {
             ByteVector f = good;
             const ByteVector second(good.begin() + 8, good.begin() + 0x42);
             f.insert(f.begin() + 0x42, second.begin(), second.end());
             reseal(f);
             return f;
         }, {K::duplicate}},
        {"an option chunk after the contents", [&] {
             ByteVector f = good;
             const ByteVector options = test::hex("4F 50 44 41 00 00 00 00");
             f.insert(f.begin() + 0x42, options.begin(), options.end());
             reseal(f);
             return f;
         }, {K::missing}},
        {"a second track", [&] {
             ByteVector f = good;
             const ByteVector second(good.begin() + 0x42, good.end() - 2);
             f.insert(f.end() - 2, second.begin(), second.end());
             reseal(f);
             return f;
         }, {K::duplicate}},
        {"not a Tessal file", [] { return test::hex("52 49 46 46 00 00 00 00 57 41 56 45"); }, {K::notTessal}},
        {"an empty file", [] { return ByteVector{}; }, {K::notTessal}},
    };
    for (const Row& row : rows) {
        const TessalFile r = readTessal(row.damage());
        EXPECT_FALSE(r.sound()) << row.what;
        for (const TessalFaultKind kind : row.named)
            EXPECT_TRUE(std::any_of(r.faults.begin(), r.faults.end(), [&](const TessalFault& x) { return x.kind == kind; }))
                << row.what << ": " << faultKindName(kind);
    }
}

TEST(TessalReader, EveryPrefixAndEveryByteFlipIsReadWithinItsBounds)
{
    const ByteVector good = audioFile();
    for (std::size_t n = 0; n < good.size(); ++n) {
        // Each in a buffer of exactly its length, for the address sanitizer.
        auto prefix = std::make_unique<std::uint8_t[]>(n + 1);
        std::copy(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n), prefix.get());
        EXPECT_FALSE(readTessal({prefix.get(), n}).sound()) << n;
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        ByteVector f = good;
        f[i] ^= 0xA5;
        EXPECT_FALSE(readTessal(f).sound()) << i;
    }
}

// A file of any length announced as 2 GiB that is not a Tessal file: only
// its first window is read. One that fails or ends early while it is read
// names the place instead of being checked against bytes it does not have.
TEST(TessalReader, ReadsOnlyWhatItNeedsAndNamesAFileThatCannotBeRead)
{
    class Endless : public InputFile {
    public:
        std::int64_t size() const override { return std::int64_t{1} << 31; }
        int readAt(std::int64_t, std::uint8_t* destination, int count) override
        {
            std::fill(destination, destination + count, 'R');
            given += count;
            return count;
        }
        std::int64_t given = 0;
    } endless;
    const ByteVector good = audioFile();
    EXPECT_TRUE(names(readTessal(endless), "not a Tessal file"));
    EXPECT_LE(endless.given, 64 * 1024);

    // A "MMMD" head and then zeros: at most 256 empty chunks are walked and
    // recorded, not millions.
    ByteVector zeros(1 << 20);
    std::copy_n(good.begin(), 8, zeros.begin());
    const TessalFile empty = readTessal(zeros);
    EXPECT_TRUE(names(empty, "at most 256 chunks"));
    EXPECT_LE(empty.chunks.size(), 256u);
    EXPECT_LE(empty.faults.size(), 300u);
    // A contents chunk of 1 MiB of short tags: at most 256 are taken.
    ByteVector tags = test::hex("4D 4D 4D 44 00 00 00 00  43 4E 54 49 00 00 00 00  00 01 23 00 00");
    while (tags.size() < (1u << 20))
        tags.insert(tags.end(), {'T', 'G', ':', ','});
    putBE32(tags.data() + 12, static_cast<std::uint32_t>(tags.size() - 16));
    tags.resize(tags.size() + 2);
    reseal(tags);
    const TessalFile many = readTessal(tags);
    EXPECT_TRUE(names(many, "at most 256 tag entries"));
    EXPECT_EQ(many.tags.size(), 256u);

    // Read in pieces of 7 bytes, the same answer as from memory.
    test::MemoryFile pieces(good, 7);
    const TessalFile read = readTessal(pieces);
    EXPECT_TRUE(read.sound());
    EXPECT_EQ(read.tags, readTessal(good).tags);
    EXPECT_EQ(read.adpcmOffset, 0x86u);
    for (std::int64_t failAt : {std::int64_t{0}, std::int64_t{20}, std::int64_t{0x100}, static_cast<std::int64_t>(good.size()) - 1}) {
        test::MemoryFile failing(good, 1 << 30, failAt);
        const TessalFile r = readTessal(failing);
        EXPECT_FALSE(r.sound()) << failAt;
        EXPECT_TRUE(names(r, "cannot be read")) << failAt;
    }
}

}  // namespace
}  // namespace korvel
