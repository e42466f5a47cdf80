#include "tessal/TagValue.h"

#include <clocale>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "tessal/ContentInfo.h"

namespace korvel {
namespace {

// The tag values are read in the locale's multibyte encoding: most tests
// read UTF-8 text (where the C library has a UTF-8 locale), the last one
// Shift-JIS, the ANSI code page of Japanese Windows.
class TagValue : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* previous = std::setlocale(LC_CTYPE, nullptr);
        saved = previous != nullptr ? previous : "C";
    }
    void TearDown() override { std::setlocale(LC_CTYPE, saved.c_str()); }

    static bool useLocale(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            if (std::setlocale(LC_CTYPE, name) != nullptr)
                return true;
        return false;
    }

    static std::string value(const std::string& text, std::uint8_t codeType, TextCoding coding = TextCoding::locale)
    {
        ByteVector out;
        appendTagValue(out, text.c_str(), codeType, coding);
        return std::string(out.begin(), out.end());
    }

    std::string saved;
};

class TagValueUtf8 : public TagValue {
protected:
    void SetUp() override
    {
        TagValue::SetUp();
        if (!useLocale({"C.UTF-8", ".UTF-8"}))
            GTEST_SKIP() << "no UTF-8 locale in this C library";
    }
};

TEST_F(TagValueUtf8, Utf8TextComesOutUnchangedButForEscapedCommasAndBackslashes)
{
    struct Row {
        const char* what;
        std::string text;
        std::string expected;
    };
    const Row rows[] = {
        {"ASCII", "Song", "Song"},
        // A "," would end the value early.
        {"comma and backslash", "Hello, world\\", "Hello\\, world\\\\"},
        {"Latin letters", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
        // U+1F600 goes over as its two surrogate units, three bytes each.
        {"above U+FFFF", "a\xF0\x9F\x98\x80" "b", "a\xED\xA0\xBD\xED\xB8\x80" "b"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(value(row.text, ContentInfo::kCodeUtf8), row.expected) << row.what;
}

TEST_F(TagValueUtf8, Utf8ValueEndsAtTheLastWholeCharacterWithin256Bytes)
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

    // An escape counts toward the limit and is never parted from its character.
    EXPECT_EQ(value(std::string(254, 'z') + ",", ContentInfo::kCodeUtf8), std::string(254, 'z') + "\\,");
    EXPECT_EQ(value(std::string(255, 'z') + ",", ContentInfo::kCodeUtf8), std::string(255, 'z'));
    EXPECT_EQ(value(std::string(200, ','), ContentInfo::kCodeUtf8).size(), 256u);
}

TEST_F(TagValueUtf8, StoredBytesAreEscapedUnderCodeTypesZeroToTwo)
{
    for (std::uint8_t codeType : {0, 1, 2}) {
        EXPECT_EQ(value("a,b\\c", codeType), "a\\,b\\\\c") << int(codeType);
        EXPECT_EQ(value("\xE6\x97\xA5", codeType), "\xE6\x97\xA5") << int(codeType);
        // No length limit in this mode.
        EXPECT_EQ(value(std::string(400, ','), codeType).size(), 800u) << int(codeType);
    }
}

TEST_F(TagValueUtf8, OtherCodeTypesAndUnconvertibleTextGiveAnEmptyValue)
{
    EXPECT_EQ(value("Song", 3), "");
    EXPECT_EQ(value("Song", 0x24), "");
    EXPECT_EQ(value("\xFF\xFE", ContentInfo::kCodeUtf8), "");
    std::u16string units;
    EXPECT_FALSE(multibyteToUtf16("bad \xC3", units));
    ASSERT_TRUE(multibyteToUtf16("\xF0\x9F\x98\x80", units));
    EXPECT_EQ(units, (std::u16string{0xD83D, 0xDE00}));
}

TEST_F(TagValue, ShiftJisTextIsConvertedAndItsTrailBytesAreNotEscaped)
{
    // tools/install-deps makes the ja_JP.SJIS locale; Windows has code page 932.
    if (!useLocale({"ja_JP.SJIS", "ja_JP.sjis", ".932"}))
        GTEST_SKIP() << "no Shift-JIS locale";
    // "日本語" and "表", whose second byte is 0x5C, the code of "\".
    const std::string japanese = "\x93\xFA\x96\x7B\x8C\xEA";
    const std::string table = "\x95\x5C";
    EXPECT_EQ(value(japanese, ContentInfo::kCodeUtf8), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
    EXPECT_EQ(value(table, ContentInfo::kCodeUtf8), "\xE8\xA1\xA8");
    EXPECT_EQ(value(table + "," + table, 0), table + "\\," + table);
    EXPECT_EQ(value("a\\" + table, 1), "a\\\\" + table);
    // A lead byte at the very end has no trail byte to take along.
    EXPECT_EQ(value("a\x95", 2), "a\x95");

    // Texts carried as UTF-8 are read as UTF-8 whatever the locale, though
    // their bytes would make Shift-JIS too: "ぁ," is E3 81 81 2C.
    EXPECT_EQ(value("\xE3\x81\x81,", ContentInfo::kCodeUtf8, TextCoding::utf8), "\xE3\x81\x81\\,");
    EXPECT_EQ(value("\xE3\x81\x81,", 0, TextCoding::utf8), "\xE3\x81\x81\\,");
    EXPECT_EQ(value("\x93\xFA", ContentInfo::kCodeUtf8, TextCoding::utf8), "");
}

// The "C" locale of services and containers reads no byte above 0x7F:
// UTF-8 text is then read as UTF-8, and only text that is neither gives an
// empty value.
TEST_F(TagValue, TextTheLocaleCannotReadIsReadAsUtf8)
{
    ASSERT_TRUE(useLocale({"C"}));
    wchar_t wide[2];
    if (std::mbstowcs(wide, "\x80", 2) != static_cast<std::size_t>(-1))
        GTEST_SKIP() << "the C locale of this C library reads every byte";
    EXPECT_EQ(value("\xC3\x9C" "berschrift, ja", ContentInfo::kCodeUtf8), "\xC3\x9C" "berschrift\\, ja");
    EXPECT_EQ(value("a\xF0\x9F\x98\x80", ContentInfo::kCodeUtf8), "a\xED\xA0\xBD\xED\xB8\x80");
    struct Row {
        const char* what;
        const char* text;
    };
    const Row neither[] = {
        {"a lone continuation byte", "a\x80"}, {"a sequence cut short", "\xE3\x81"},
        {"an overlong slash", "\xC0\xAF"},    {"a surrogate", "\xED\xA0\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80"}, {"Latin-1", "caf\xE9"},
    };
    for (const Row& row : neither) {
        std::u16string units;
        EXPECT_FALSE(multibyteToUtf16(row.text, units)) << row.what;
        EXPECT_EQ(value(row.text, ContentInfo::kCodeUtf8), "") << row.what;
    }
}

}  // namespace
}  // namespace korvel
