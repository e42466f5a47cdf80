#include "tessal/TagValue.h"

#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "tessal/ContentInfo.h"

namespace korvel {
namespace {

// The tag values are read in the locale's multibyte encoding; these tests
// read UTF-8 text.
class TagValue : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* previous = std::setlocale(LC_CTYPE, nullptr);
        saved = previous != nullptr ? previous : "C";
        ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    }
    void TearDown() override { std::setlocale(LC_CTYPE, saved.c_str()); }

    static std::string value(const std::string& text, std::uint8_t codeType)
    {
        ByteVector out;
        appendTagValue(out, text.c_str(), codeType);
        return std::string(out.begin(), out.end());
    }

    std::string saved;
};

TEST_F(TagValue, Utf8TextComesOutUnchangedAndUnescaped)
{
    struct Row {
        const char* what;
        std::string text;
        std::string expected;
    };
    const Row rows[] = {
        {"ASCII", "Song", "Song"},
        {"comma and backslash", "a,b\\c", "a,b\\c"},
        {"Latin letters", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
        // U+1F600 goes over as its two surrogate units, three bytes each.
        {"above U+FFFF", "a\xF0\x9F\x98\x80" "b", "a\xED\xA0\xBD\xED\xB8\x80" "b"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(value(row.text, ContentInfo::kCodeUtf8), row.expected) << row.what;
}

TEST_F(TagValue, Utf8ValueEndsAtTheLastWholeCharacterWithin256Bytes)
{
    EXPECT_EQ(value(std::string(256, 'x'), ContentInfo::kCodeUtf8).size(), 256u);
    EXPECT_EQ(value(std::string(300, 'x'), ContentInfo::kCodeUtf8), std::string(256, 'x'));

    std::string japanese;
    for (int i = 0; i < 86; ++i)
        japanese += "\xE3\x81\x82";  // 258 bytes of U+3042
    const std::string cut = value(japanese, ContentInfo::kCodeUtf8);
    EXPECT_EQ(cut.size(), 255u);
    EXPECT_EQ(cut, japanese.substr(0, 255));

    // 251 bytes, then a character of six: it does not fit, and its first
    // surrogate alone is not written either.
    const std::string nearFull = std::string(251, 'y') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(value(nearFull, ContentInfo::kCodeUtf8), std::string(251, 'y'));
    const std::string exactFull = std::string(250, 'y') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(value(exactFull, ContentInfo::kCodeUtf8).size(), 256u);
}

TEST_F(TagValue, StoredBytesAreEscapedUnderCodeTypesZeroToTwo)
{
    for (std::uint8_t codeType : {0, 1, 2}) {
        EXPECT_EQ(value("a,b\\c", codeType), "a\\,b\\\\c") << int(codeType);
        EXPECT_EQ(value("\xE6\x97\xA5", codeType), "\xE6\x97\xA5") << int(codeType);
        // No length limit in this mode.
        EXPECT_EQ(value(std::string(400, ','), codeType).size(), 800u) << int(codeType);
    }
}

TEST_F(TagValue, OtherCodeTypesAndUnconvertibleTextGiveAnEmptyValue)
{
    EXPECT_EQ(value("Song", 3), "");
    EXPECT_EQ(value("Song", 0x24), "");
    EXPECT_EQ(value("\xFF\xFE", ContentInfo::kCodeUtf8), "");
    std::u16string units;
    EXPECT_FALSE(multibyteToUtf16("bad \xC3", units));
    ASSERT_TRUE(multibyteToUtf16("\xF0\x9F\x98\x80", units));
    EXPECT_EQ(units, (std::u16string{0xD83D, 0xDE00}));
}

TEST_F(TagValue, NonAsciiBytesAreRefusedInTheCLocale)
{
    std::setlocale(LC_CTYPE, "C");
    EXPECT_EQ(value("Caf\xC3\xA9", ContentInfo::kCodeUtf8), "");
    EXPECT_EQ(value("Cafe", ContentInfo::kCodeUtf8), "Cafe");
}

}  // namespace
}  // namespace korvel
