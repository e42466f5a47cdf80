// korvel-cli.exe under Wine against the Linux build's korvel-cli: names and
// texts that the ANSI code page cannot spell give the same files, the same
// refusals and the same messages, as UTF-8 on a pipe.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "system/Messages.h"
#include "system/Platform.h"
#include "tests/desktop/HostProcess.h"
#include "tests/support/FileContents.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

struct Finished {
    int status;
    std::string out;
    std::string err;
};

// What a Windows program prints in text mode, with its line ends as Linux's.
std::string withoutReturns(std::string text)
{
    std::erase(text, '\r');
    return text;
}

class UnicodeCommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(test::linuxCli().empty()) << "KORVEL_LINUX_CLI names the Linux build's korvel-cli (tools/test-windows sets it)";
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        windowsCli = fs::path(self).parent_path().parent_path() / "cli" / "korvel-cli.exe";
        dir = fs::temp_directory_path() / ("korvel-unicode-" + std::to_string(GetTickCount()));
        fs::create_directories(dir / "windows");
        fs::create_directories(dir / "linux");
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // The same arguments to both programs, each in a folder of its own.
    std::pair<Finished, Finished> both(const std::wstring& arguments)
    {
        const int windows =
            test::runProcess(test::quoted(windowsCli.wstring()) + L" " + arguments, dir / "windows", dir / "out.txt", dir / "err.txt");
        const Finished first{windows, withoutReturns(test::readText(dir / "out.txt")), withoutReturns(test::readText(dir / "err.txt"))};
        const int linux = test::runLinuxProgram(test::linuxCli(), arguments, dir / "linux", dir / "out.txt", dir / "err.txt");
        return {first, {linux, test::readText(dir / "out.txt"), test::readText(dir / "err.txt")}};
    }
    void writeSound(const std::wstring& name)
    {
        const std::vector<std::uint8_t> image = test::wavImage({.channels = 2, .sampleRate = 22050},
                                                               test::samplesLE(test::sine(11025, 440, 22050, 9000)));
        for (const char* side : {"windows", "linux"})
            std::ofstream(dir / side / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }

    fs::path windowsCli;
    fs::path dir;
};

TEST_F(UnicodeCommandLine, NamesAndTextsOfAnyScriptGiveTheLinuxBuildsFile)
{
    struct Row {
        std::wstring name;
        std::wstring options;
    };
    const Row rows[] = {
        {L"\u6B4C\u58F0 \U0001F600.wav", L"--title \"\u30BF\u30A4\u30C8\u30EB \U0001F3B5\" --copyright \"\u00A9 2026, \\ \u65E5\u672C\""},
        {L"first take.wav", L""},
        {L"\u00DCn\u00EFc\u00F6d\u00E9 \u2603 \u0416.wav", L"--copyright \"\u0416\u00E9 \U0001F600\" --rate 4000"},
    };
    for (const Row& row : rows) {
        writeSound(row.name);
        const auto [windows, linux] = both(L"convert " + row.options + L" " + test::quoted(row.name));
        EXPECT_EQ(windows.status, 0) << windows.err;
        EXPECT_EQ(linux.status, 0) << linux.err;
        EXPECT_EQ(windows.out, linux.out);
        const fs::path written = fs::path(row.name).replace_extension(".mmf");
        const std::vector<std::uint8_t> bytes = test::readFile(dir / "windows" / written);
        EXPECT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, test::readFile(dir / "linux" / written));
    }
}

TEST_F(UnicodeCommandLine, RefusalsAndMessagesAreTheLinuxBuildsInUtf8)
{
    writeSound(L"tone.wav");
    // 129 characters of two bytes in the Japanese code page are 387 bytes of
    // UTF-8: more than a text may have.
    std::wstring copyright(129, L'\u3042');
    auto [windows, linux] = both(L"convert --copyright " + copyright + L" tone.wav");
    EXPECT_EQ(windows.status, 2);
    EXPECT_EQ(linux.status, 2);
    // The help that follows names the kinds of sound each build reads.
    EXPECT_EQ(windows.err.substr(0, windows.err.find('\n')), linux.err.substr(0, linux.err.find('\n')));
    EXPECT_FALSE(fs::exists(dir / "windows" / "tone.mmf"));

    // A message of the user's language names the file as it is written.
    std::tie(windows, linux) = both(L"convert \"\u6B20\u3051\u305F \U0001F600.wav\"");
    EXPECT_EQ(windows.status, 1);
    EXPECT_EQ(windows.err, linux.err);
    EXPECT_EQ(windows.err, std::string("korvel-cli: \xE6\xAC\xA0\xE3\x81\x91\xE3\x81\x9F \xF0\x9F\x98\x80.wav: ") +
                               messageText(kMsgCannotOpen, nativePlatform().japaneseInterface()) + "\n");
}

}  // namespace
}  // namespace korvel
