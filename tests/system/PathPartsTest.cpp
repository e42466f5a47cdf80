#include "system/PathParts.h"

#include <clocale>
#include <string>

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(PathParts, SplitsDriveDirectoryBaseNameAndExtension)
{
    struct Row {
        const char* path;
        bool windows;
        PathParts expected;
    };
    const Row rows[] = {
        {"C:\\sounds\\my.song.wav", true, {"C:", "\\sounds\\", "my.song", ".wav"}},
        {"C:song.wav", true, {"C:", "", "song", ".wav"}},
        {"\\\\server\\share\\a.aif", true, {"", "\\\\server\\share\\", "a", ".aif"}},
        {"d:/mixed\\slashes/x.WAV", true, {"d:", "/mixed\\slashes/", "x", ".WAV"}},
        {"C:\\dir.v2\\song", true, {"C:", "\\dir.v2\\", "song", ""}},
        {"/home/user/my.song.wav", false, {"", "/home/user/", "my.song", ".wav"}},
        {"relative.aif", false, {"", "", "relative", ".aif"}},
        {"C:\\not\\a\\drive.wav", false, {"", "", "C:\\not\\a\\drive", ".wav"}},
        {"/dir.d/.hidden", false, {"", "/dir.d/", "", ".hidden"}},
        {"/tmp/trailing.", false, {"", "/tmp/", "trailing", "."}},
    };
    for (const Row& row : rows) {
        const PathParts p = splitPath(row.path, row.windows, TextCoding::locale);
        EXPECT_EQ(p.drive, row.expected.drive) << row.path;
        EXPECT_EQ(p.directory, row.expected.directory) << row.path;
        EXPECT_EQ(p.baseName, row.expected.baseName) << row.path;
        EXPECT_EQ(p.extension, row.expected.extension) << row.path;
    }
}

// A name carried as UTF-8 is split as UTF-8 under any locale: in Shift-JIS
// the last byte of "ぁ" (E3 81 81) would take the "\" after it for its
// trail byte.
TEST(PathParts, Utf8NamesSplitAsUtf8UnderADoubleByteLocale)
{
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    if (std::setlocale(LC_CTYPE, "ja_JP.SJIS") == nullptr && std::setlocale(LC_CTYPE, ".932") == nullptr)
        GTEST_SKIP() << "no Shift-JIS locale";
    const PathParts utf8 = splitPath("C:\\\xE3\x81\x81\\x.wav", true, TextCoding::utf8);
    const PathParts shiftJis = splitPath("C:\\\xE3\x81\x81\\x.wav", true, TextCoding::locale);
    std::setlocale(LC_CTYPE, saved.c_str());
    EXPECT_EQ(utf8.directory, "\\\xE3\x81\x81\\");
    EXPECT_EQ(utf8.baseName, "x");
    EXPECT_EQ(shiftJis.baseName, "\xE3\x81\x81\\x");
}

TEST(PathParts, ExtensionsCompareWithoutCaseOfAsciiLetters)
{
    EXPECT_TRUE(equalsIgnoringCase(".WAV", ".wav"));
    EXPECT_TRUE(equalsIgnoringCase(".Aif", ".aif"));
    EXPECT_FALSE(equalsIgnoringCase(".aiff", ".aif"));
    EXPECT_FALSE(equalsIgnoringCase(".wave", ".wav"));
    EXPECT_FALSE(equalsIgnoringCase("", ".wav"));
    EXPECT_FALSE(equalsIgnoringCase(".w\xC1v", ".wav"));
}

}  // namespace
}  // namespace korvel
