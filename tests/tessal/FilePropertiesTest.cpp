// Properties every written file keeps, over many generated inputs and all
// three writers.

#include <memory>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "tessal/AtrWriter.h"
#include "reference/MtrProWriter.h"
#include "reference/MtrWriter.h"
#include "tests/tessal/TessalTestSupport.h"

namespace korvel {
namespace {

using test::be32At;

std::unique_ptr<OutputWriter> makeWriter(int variant)
{
    if (variant == 0)
        return std::make_unique<AtrWriter>();
    if (variant == 1)
        return std::make_unique<MtrWriter>();
    return std::make_unique<MtrProWriter>();
}

ByteVector build(int variant, const ContentInfo& info, int rate, int frames, ByteVector adpcm)
{
    ByteVector out;
    EXPECT_EQ(makeWriter(variant)->build(0, info, test::monoFormat(rate, frames), adpcm, out), 0);
    return out;
}

// The two check-character pairs: after "A0:QK20" / "A2:QK20" in the
// contents chunk of the audio file, after "A0" 00 06 "Qk20" in the option
// data of the music files.
std::pair<std::string, std::string> checkPairs(const ByteVector& file, int variant)
{
    const std::size_t a0 = variant == 0 ? test::find(file, "A0:QK20") + 7 : test::find(file, "Qk20") + 4;
    const std::size_t a2 = variant == 0 ? test::find(file, "A2:QK20") + 7 : test::find(file, "Qk20", a0) + 4;
    return {std::string(file.begin() + static_cast<std::ptrdiff_t>(a0), file.begin() + static_cast<std::ptrdiff_t>(a0) + 2),
            std::string(file.begin() + static_cast<std::ptrdiff_t>(a2), file.begin() + static_cast<std::ptrdiff_t>(a2) + 2)};
}

TEST(FileProperties, SizeCrcAndCheckCharactersHoldOnGeneratedInputs)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 60; ++round) {
        const int variant = round % 3;
        const int rate = random() % 2 ? 8000 : 4000;
        const int frames = 168 + static_cast<int>(random() % 20000);
        ByteVector adpcm(static_cast<std::size_t>((frames + 1) / 2));
        for (auto& b : adpcm)
            b = static_cast<std::uint8_t>(random());
        ContentInfo info;
        info.codeType = round % 2 ? ContentInfo::kCodeUtf8 : 0;
        info.permissions = static_cast<std::uint8_t>(random() % 4);
        const std::string title = "Title " + std::to_string(random() % 1000);
        std::strcpy(info.slots[ContentInfo::kSlotTitle], title.c_str());
        std::strcpy(info.slots[ContentInfo::kSlotDate], "20261208");

        const ByteVector file = build(variant, info, rate, frames, adpcm);
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(be32At(file, 4), file.size() - 8);
        const ByteVector body(file.begin(), file.end() - 2);
        EXPECT_EQ(file[file.size() - 2] * 256 + file[file.size() - 1], crc16(body));

        // Other audio changes the track's check characters and the CRC only.
        ByteVector otherAudio = adpcm;
        otherAudio[otherAudio.size() / 2] ^= 0x5A;
        const ByteVector audioChanged = build(variant, info, rate, frames, otherAudio);
        const auto pairs = checkPairs(file, variant);
        const auto audioPairs = checkPairs(audioChanged, variant);
        EXPECT_EQ(audioPairs.second, pairs.second);
        EXPECT_NE(audioChanged, file);

        // Other text changes the contents chunk's own check characters only.
        if (variant == 0) {
            ContentInfo otherText = info;
            otherText.slots[ContentInfo::kSlotTitle][0] = 'X';
            const ByteVector textChanged = build(variant, otherText, rate, frames, adpcm);
            const auto textPairs = checkPairs(textChanged, variant);
            EXPECT_EQ(textPairs.first, pairs.first);
            EXPECT_NE(textChanged, file);
        }
    }
}

TEST(FileProperties, CheckCharactersFollowTheirChunk)
{
    // Over many audio changes the track's pair takes many values while the
    // contents chunk's pair stays; over many titles it is the other way round.
    std::set<std::string> trackPairs, contentPairs;
    ContentInfo info = test::contentInfo(ContentInfo::kCodeUtf8, 0, "Song", "20040101");
    for (int i = 0; i < 64; ++i) {
        ByteVector adpcm(400, static_cast<std::uint8_t>(i));
        const auto pairs = checkPairs(build(0, info, 8000, 800, adpcm), 0);
        trackPairs.insert(pairs.first);
        contentPairs.insert(pairs.second);
    }
    EXPECT_GT(trackPairs.size(), 8u);
    EXPECT_EQ(contentPairs.size(), 1u);

    trackPairs.clear();
    contentPairs.clear();
    for (int i = 0; i < 64; ++i) {
        const std::string title = "Song " + std::to_string(i);
        std::strcpy(info.slots[ContentInfo::kSlotTitle], title.c_str());
        const auto pairs = checkPairs(build(0, info, 8000, 800, ByteVector(400)), 0);
        trackPairs.insert(pairs.first);
        contentPairs.insert(pairs.second);
    }
    EXPECT_EQ(trackPairs.size(), 1u);
    EXPECT_GT(contentPairs.size(), 8u);
}

}  // namespace
}  // namespace korvel
