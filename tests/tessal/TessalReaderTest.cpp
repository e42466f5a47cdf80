#include "tessal/TessalReader.h"

#include <algorithm>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "tessal/AtrWriter.h"
#include "tessal/MtrProWriter.h"
#include "tessal/MtrWriter.h"
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
        std::vector<std::string> named;
    };
    const Row rows[] = {
        {"a flipped audio byte", [&] { ByteVector f = good; f[0x100] ^= 1; return f; }, {"A0 check", "CRC"}},
        {"a flipped text byte", [&] { ByteVector f = good; f[0x1E] ^= 1; return f; }, {"A2 check", "CRC"}},
        {"a wrong MMMD size", [&] { ByteVector f = good; f[7] ^= 4; return f; }, {"\"MMMD\" size"}},
        {"a truncated file", [&] { ByteVector f = good; f.resize(300); return f; }, {"only"}},
        {"an unknown chunk", [&] {
             ByteVector f = good;
             const ByteVector extra = test::hex("58 59 5A 57 00 00 00 02 01 02");
             f.insert(f.begin() + 8, extra.begin(), extra.end());
             reseal(f);
             return f;
         }, {"unknown chunk \"XYZW\""}},
        // Found by fuzzing: the check pairs of the first contents chunk were
        // then looked up in the second one, before its start.
        {"a second contents chunk", [&] {
             ByteVector f = good;
             const ByteVector second(good.begin() + 8, good.begin() + 0x42);
             f.insert(f.begin() + 0x42, second.begin(), second.end());
             reseal(f);
             return f;
         }, {"a second contents chunk \"CNTI\""}},
        {"an option chunk after the contents", [&] {
             ByteVector f = good;
             const ByteVector options = test::hex("4F 50 44 41 00 00 00 00");
             f.insert(f.begin() + 0x42, options.begin(), options.end());
             reseal(f);
             return f;
         }, {"inside the contents chunk"}},
        {"a second track", [&] {
             ByteVector f = good;
             const ByteVector second(good.begin() + 0x42, good.end() - 2);
             f.insert(f.end() - 2, second.begin(), second.end());
             reseal(f);
             return f;
         }, {"a second track chunk"}},
        {"not a Tessal file", [] { return test::hex("52 49 46 46 00 00 00 00 57 41 56 45"); }, {"not a Tessal file"}},
        {"an empty file", [] { return ByteVector{}; }, {"not a Tessal file"}},
    };
    for (const Row& row : rows) {
        const TessalFile r = readTessal(row.damage());
        EXPECT_FALSE(r.sound()) << row.what;
        for (const std::string& words : row.named)
            EXPECT_TRUE(names(r, words)) << row.what << ": " << words;
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

}  // namespace
}  // namespace korvel
