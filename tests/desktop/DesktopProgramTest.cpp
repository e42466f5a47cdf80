// The desktop program run for real under the Windows build: this program
// starts korvel.exe, drops files on its window, answers its dialogs through
// their controls, and checks positions, texts, the pixels on the screen and
// the files written. Run with a Japanese user interface it expects Japanese.

#include <windows.h>
#include <shlobj.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "job/ConversionJob.h"
#include "system/Messages.h"
#include "system/Platform.h"
#include "system/WideText.h"
#include "resources/resource.h"
#include "tests/desktop/HostProcess.h"
#include "tests/support/BmpFile.h"
#include "tests/support/FileContents.h"
#include "tests/support/ImageBuilder.h"
#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string programDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path().parent_path().string();
}

bool waitFor(const std::function<bool()>& condition, int milliseconds = 8000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return condition();
}

std::wstring textOf(HWND window)
{
    wchar_t text[1024] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &ignored);
    return text;
}

RECT rectOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

using test::readFile;

void writeFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes wav(int channels, int rate, int frames)
{
    std::vector<std::int16_t> values;
    for (std::int16_t v : test::sine(frames, 440, rate, 9000))
        for (int c = 0; c < channels; ++c)
            values.push_back(v);
    return test::wavImage({.channels = static_cast<std::uint16_t>(channels), .sampleRate = static_cast<std::uint32_t>(rate)},
                          test::samplesLE(values));
}

// A cell of one of the skin's pictures, read from the committed file.
PixelGrid cell(const char* file, int rows, int index)
{
    const PixelGrid all = test::readBmp(std::string(KORVEL_RESOURCE_DIR "/bitmaps/") + file);
    const int height = all.height / rows;
    PixelGrid one{all.width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < all.width; ++x)
            one.pixels.push_back(all.at(x, index * height + y));
    return one;
}

// Whether the screen shows the picture at (left, top), in its first `rows`
// rows; the cut-out pixels of a shaped picture are not compared.
bool showsAt(int left, int top, const PixelGrid& picture, int rows, bool shaped)
{
    HDC screen = GetDC(nullptr);
    const std::uint32_t key = picture.at(0, 0);
    bool same = true;
    for (int y = 0; y < picture.height && y < rows && same; ++y)
        for (int x = 0; x < picture.width && same; ++x) {
            const std::uint32_t p = picture.at(x, y);
            if (shaped && p == key)
                continue;
            same = GetPixel(screen, left + x, top + y) == RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
        }
    ReleaseDC(nullptr, screen);
    return same;
}

// The same for a shaped control and its picture.
bool shows(HWND window, const PixelGrid& picture, int rows = 1 << 30)
{
    const RECT r = rectOf(window);
    return showsAt(r.left, r.top, picture, rows, true);
}

// Saves what the screen shows of a window as a BMP file, for the README.
void screenshot(HWND window, const std::string& name)
{
    const char* dir = std::getenv("KORVEL_SCREENSHOT_DIR");
    if (dir == nullptr)
        return;
    const RECT r = rectOf(window);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    std::vector<std::uint8_t> rows;
    const int stride = (w * 3 + 3) / 4 * 4;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = GetPixel(screen, r.left + x, r.top + y);
            rows.insert(rows.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
        }
        rows.insert(rows.end(), static_cast<std::size_t>(stride - w * 3), 0);
    }
    ReleaseDC(nullptr, screen);
    test::ImageBuilder b;
    b.text("BM").le32(static_cast<std::uint32_t>(54 + rows.size())).le32(0).le32(54);
    b.le32(40).le32(static_cast<std::uint32_t>(w)).le32(static_cast<std::uint32_t>(h)).le16(1).le16(24).le32(0);
    b.le32(static_cast<std::uint32_t>(rows.size())).le32(2835).le32(2835).le32(0).le32(0).bytes(rows);
    writeFile(fs::path(dir) / (name + (nativePlatform().japaneseInterface() ? "-ja" : "-en") + ".bmp"), b.image());
}

struct Search {
    DWORD process;
    int control;
    HWND found;
};

// A visible window of the program that holds the given control.
HWND windowWith(DWORD process, int control)
{
    Search search{process, control, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->process && IsWindowVisible(window) && GetDlgItem(window, s->control) != nullptr) {
                const RECT r = rectOf(window);
                if (r.right - r.left == 210) {
                    s->found = window;
                    return FALSE;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void click(HWND dialog, int control)
{
    PostMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0);
}

class DesktopProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        dir = fs::path(temp) / ("korvel-desktop-" + std::to_string(GetTickCount()));
        fs::create_directories(dir);
        start();
    }
    void TearDown() override
    {
        if (program.hProcess != nullptr) {
            if (WaitForSingleObject(program.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(program.hProcess, 9);
            WaitForSingleObject(program.hProcess, 5000);
            CloseHandle(program.hProcess);
            CloseHandle(program.hThread);
        }
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    PROCESS_INFORMATION launch(const std::string& command)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::string line = command;
        EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            << command;
        return process;
    }
    // Starts the program with the files on its command line, in UTF-16.
    PROCESS_INFORMATION launchWith(const std::vector<fs::path>& files)
    {
        std::wstring line = test::quoted(fs::path(programDirectory()).wstring() + L"\\ui\\korvel.exe");
        for (const fs::path& file : files)
            line += L" " + test::quoted(file.wstring());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        return process;
    }
    // Accepts the settings of each file in turn, as they come, and checks
    // the title and the message; the files written must be those of
    // korvel-cli.exe --strict.
    void acceptEach(const std::vector<fs::path>& files)
    {
        for (const fs::path& file : files) {
            HWND settings = waitForWindow(IDC_TITLE);
            ASSERT_NE(settings, nullptr) << file;
            EXPECT_TRUE(waitFor([&] { return textOf(GetDlgItem(settings, IDC_TITLE)) == file.stem().wstring(); })) << file;
            ASSERT_TRUE(waitFor([&] { return shows(GetDlgItem(settings, IDC_SETTINGS_OK), cell("button-ok.bmp", 2, 0)); }));
            const std::wstring text = acceptAndReadMessage(settings);
            fs::path written = file;
            written.replace_extension(".mmf");
            const Bytes bytes = readFile(written);
            ASSERT_FALSE(bytes.empty()) << written;
            EXPECT_EQ(text, message(kMsgFileSize) + widen(ConversionJob::sizeText(bytes.size())));
            fs::create_directories(dir / "cli");
            fs::copy_file(file, dir / "cli" / file.filename(), fs::copy_options::overwrite_existing);
            EXPECT_EQ(test::runProcess(test::quoted(fs::path(programDirectory()).wstring() + L"\\cli\\korvel-cli.exe") +
                                           L" convert --strict " + test::quoted(file.filename().wstring()),
                                       dir / "cli", dir / "cli.out", dir / "cli.err"),
                      0);
            EXPECT_EQ(readFile(dir / "cli" / written.filename()), bytes) << file;
        }
    }
    void start()
    {
        program = launch("\"" + programDirectory() + "\\ui\\korvel.exe\"");
        ASSERT_TRUE(waitFor([&] { return (main = windowWith(program.dwProcessId, IDC_ABOUT)) != nullptr; }));
        ASSERT_TRUE(waitFor([&] { return shows(GetDlgItem(main, IDC_MAIN_PICTURE), cell("drop-here.bmp", 1, 0)); }));
    }
    bool ended(int milliseconds = 5000) { return WaitForSingleObject(program.hProcess, milliseconds) == WAIT_OBJECT_0; }

    // Drops the files on the main window, as the shell does: the DROPFILES
    // block lives in the program's memory. The names go in UTF-16, or in the
    // ANSI code page, as older programs of the shell give them.
    void drop(const std::vector<fs::path>& files, bool wideNames = true)
    {
        std::string names;
        for (const fs::path& f : files) {
            const std::wstring w = f.wstring();
            if (wideNames) {
                names.append(reinterpret_cast<const char*>(w.c_str()), (w.size() + 1) * sizeof(wchar_t));
                continue;
            }
            const int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
            std::string ansi(static_cast<std::size_t>(n), '\0');
            WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), ansi.data(), n, nullptr, nullptr);
            names += ansi + '\0';
        }
        names.append(wideNames ? sizeof(wchar_t) : 1, '\0');
        DROPFILES header{};
        header.pFiles = sizeof header;
        header.pt = {100, 50};
        header.fWide = wideNames ? TRUE : FALSE;
        std::vector<char> block(sizeof header + names.size());
        std::memcpy(block.data(), &header, sizeof header);
        std::memcpy(block.data() + sizeof header, names.data(), names.size());
        HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program.dwProcessId);
        void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        WriteProcessMemory(process, remote, block.data(), block.size(), nullptr);
        CloseHandle(process);
        PostMessageA(main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
    }
    // Drops the file on the main window as a file manager does, through the
    // X drag-and-drop protocol; Wine makes WM_DROPFILES of it.
    void dropByX(const fs::path& file)
    {
        const RECT r = rectOf(main);
        const std::wstring arguments = test::quoted(L"" KORVEL_TEST_SCRIPTS "/xdnd-drop.py") + L" Korvel " +
                                       std::to_wstring(r.left + 100) + L" " + std::to_wstring(r.top + 50) + L" " +
                                       test::quoted(test::unixPath(file));
        EXPECT_EQ(test::runLinuxProgram(L"/usr/bin/python3", arguments, dir, dir / "drop.out", dir / "drop.err"), 0)
            << test::readText(dir / "drop.err");
    }
    HWND waitForWindow(int control)
    {
        HWND found = nullptr;
        EXPECT_TRUE(waitFor([&] { return (found = windowWith(program.dwProcessId, control)) != nullptr; })) << control;
        return found;
    }
    HWND settingsFor(const fs::path& file)
    {
        drop({file});
        HWND settings = waitForWindow(IDC_TITLE);
        EXPECT_TRUE(settings == nullptr || waitFor([&] { return shows(GetDlgItem(settings, IDC_SETTINGS_OK), cell("button-ok.bmp", 2, 0)); }));
        return settings;
    }
    // Closes the settings with OK and the message that follows; returns the message text.
    std::wstring acceptAndReadMessage(HWND settings)
    {
        click(settings, IDOK);
        HWND message = waitForWindow(IDC_MESSAGE_TEXT);
        if (message == nullptr)
            return L"";
        const std::wstring text = textOf(GetDlgItem(message, IDC_MESSAGE_TEXT));
        click(message, IDOK);
        EXPECT_TRUE(waitFor([&] { return windowWith(program.dwProcessId, IDC_MESSAGE_TEXT) == nullptr; }));
        return text;
    }
    bool mainIsBackAt(const RECT& where)
    {
        return waitFor([&] {
            const RECT r = rectOf(main);
            return r.left == where.left && r.top == where.top && r.right - r.left == 210 && r.bottom - r.top == 100;
        });
    }
    static std::wstring message(int number) { return widen(messageText(number, nativePlatform().japaneseInterface())); }

    // Presses the left button at the client point, moves by (dx, dy) and lets go.
    static void drag(HWND window, int x, int y, int dx, int dy)
    {
        const RECT r = rectOf(window);
        SetCursorPos(r.left + x, r.top + y);
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        Sleep(100);
        SetCursorPos(r.left + x + dx, r.top + y + dy);
        PostMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + dx, y + dy));
        Sleep(100);
        PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x + dx, y + dy));
        Sleep(100);
    }

    fs::path dir;
    PROCESS_INFORMATION program{};
    HWND main = nullptr;
};

TEST_F(DesktopProgram, DroppedWavIsConvertedLikeTheCommandLineDoesIt)
{
    // The name is the title: a Japanese one in the Japanese session, for
    // the screenshots too.
    const std::wstring base = nativePlatform().japaneseInterface() ? L"\u7740\u4FE1\u97F3" : L"tone";
    const fs::path file = dir / (base + L".wav");
    writeFile(file, wav(2, 44100, 44100));
    screenshot(main, "main-window");
    const RECT before = rectOf(main);
    HWND settings = settingsFor(file);
    ASSERT_NE(settings, nullptr);
    // Where the main window was, with the base name as title and the defaults.
    EXPECT_EQ(rectOf(settings).left, before.left);
    EXPECT_EQ(rectOf(settings).top, before.top);
    EXPECT_EQ(textOf(GetDlgItem(settings, IDC_TITLE)), base);
    EXPECT_TRUE(shows(GetDlgItem(settings, IDC_SAVE), cell("check-box.bmp", 3, 1)));
    EXPECT_TRUE(shows(GetDlgItem(settings, IDC_TRANSFER), cell("check-box.bmp", 3, 1)));
    EXPECT_TRUE(shows(GetDlgItem(settings, IDC_RATE_8K), cell("radio-button.bmp", 3, 1)));
    EXPECT_TRUE(shows(GetDlgItem(settings, IDC_RATE_4K), cell("radio-button.bmp", 3, 0)));
    // The labels of the user's language.
    const std::string language = nativePlatform().japaneseInterface() ? "ja" : "en";
    const RECT at = rectOf(settings);
    EXPECT_TRUE(showsAt(at.left + 11, at.top + 63, cell(("label-save-" + language + ".bmp").c_str(), 1, 0), 12, false));
    EXPECT_TRUE(showsAt(at.left, at.top + 21, cell(("bar-title-" + language + ".bmp").c_str(), 1, 0), 2, false));
    screenshot(settings, "settings");
    // Dragged by its strip, the dialog takes the message box and then the
    // main window with it.
    drag(settings, 150, 8, -25, 15);
    const RECT dragged = rectOf(settings);
    EXPECT_EQ(dragged.left, before.left - 25);
    EXPECT_EQ(dragged.top, before.top + 15);

    click(settings, IDOK);
    HWND box = waitForWindow(IDC_MESSAGE_TEXT);
    ASSERT_NE(box, nullptr);
    const Bytes written = readFile(dir / (base + L".mmf"));
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(textOf(GetDlgItem(box, IDC_MESSAGE_TEXT)), message(kMsgFileSize) + widen(ConversionJob::sizeText(written.size())));
    // The plate above the line where the message is drawn on it.
    EXPECT_TRUE(waitFor([&] { return shows(GetDlgItem(box, IDC_MESSAGE_PICTURE), cell("plate-completed.bmp", 1, 0), 36); }));
    screenshot(box, "message-completed");
    const RECT boxAt = rectOf(box);
    EXPECT_EQ(boxAt.left, dragged.left);
    EXPECT_EQ(boxAt.top, dragged.top);
    click(box, IDOK);
    EXPECT_TRUE(mainIsBackAt(boxAt));

    // The command-line converter writes the same bytes for the same settings.
    fs::create_directories(dir / "cli");
    fs::copy_file(file, dir / "cli" / (base + L".wav"));
    EXPECT_EQ(test::runProcess(test::quoted(fs::path(programDirectory()).wstring() + L"\\cli\\korvel-cli.exe") + L" convert " +
                                   test::quoted(base + L".wav"),
                               dir / "cli", dir / "cli.out", dir / "cli.err"),
              0);
    EXPECT_EQ(readFile(dir / "cli" / (base + L".mmf")), written);
}

TEST_F(DesktopProgram, SlowSoundOffersOnlyFourKilohertz)
{
    const fs::path file = dir / "slow.wav";
    writeFile(file, wav(1, 6000, 3000));
    HWND settings = settingsFor(file);
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(shows(GetDlgItem(settings, IDC_RATE_8K), cell("radio-button.bmp", 3, 2)));
    EXPECT_TRUE(shows(GetDlgItem(settings, IDC_RATE_4K), cell("radio-button.bmp", 3, 1)));
    click(settings, IDC_RATE_8K);
    Sleep(200);
    EXPECT_TRUE(shows(GetDlgItem(settings, IDC_RATE_8K), cell("radio-button.bmp", 3, 2)));
    acceptAndReadMessage(settings);
    const Bytes f = readFile(dir / "slow.mmf");
    ASSERT_GT(f.size(), 60u);
    const std::size_t track = 16 + ((f[12] << 24) | (f[13] << 16) | (f[14] << 8) | f[15]);
    EXPECT_EQ(f[track + 10], 0x10);  // the wave type of 4000 Hz
}

TEST_F(DesktopProgram, CancelWritesNothingAndTheNextDropIsAccepted)
{
    const fs::path file = dir / "tone.wav";
    writeFile(file, wav(1, 8000, 4000));
    const RECT before = rectOf(main);
    HWND settings = settingsFor(file);
    ASSERT_NE(settings, nullptr);
    click(settings, IDCANCEL);
    EXPECT_TRUE(mainIsBackAt(before));
    EXPECT_FALSE(fs::exists(dir / "tone.mmf"));
    EXPECT_EQ(windowWith(program.dwProcessId, IDC_MESSAGE_TEXT), nullptr);
    settings = settingsFor(file);
    ASSERT_NE(settings, nullptr);
    acceptAndReadMessage(settings);
    EXPECT_TRUE(fs::exists(dir / "tone.mmf"));
}

TEST_F(DesktopProgram, RefusalsShowTheCautionPlateAndWriteNothing)
{
    struct Row {
        const char* name;
        Bytes image;
        int message;
    };
    const Row rows[] = {
        {"notes.txt", Bytes{'t', 'e', 'x', 't'}, kMsgBadExtension},
        {"three.wav", test::wavImage({.channels = 3}, Bytes(4800)), kMsgChannelsNotSupported},
    };
    for (const Row& row : rows) {
        writeFile(dir / row.name, row.image);
        drop({dir / row.name});
        HWND box = waitForWindow(IDC_MESSAGE_TEXT);
        ASSERT_NE(box, nullptr) << row.name;
        EXPECT_EQ(textOf(GetDlgItem(box, IDC_MESSAGE_TEXT)), message(row.message)) << row.name;
        EXPECT_TRUE(waitFor([&] { return shows(GetDlgItem(box, IDC_MESSAGE_PICTURE), cell("plate-caution.bmp", 1, 0), 36); }));
        screenshot(box, "message-caution");
        click(box, IDOK);
        ASSERT_TRUE(waitFor([&] { return windowWith(program.dwProcessId, IDC_MESSAGE_TEXT) == nullptr; }));
    }
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_NE(entry.path().extension(), ".mmf");
}

TEST_F(DesktopProgram, OnlyTheFirstOfSeveralFilesIsConverted)
{
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        writeFile(dir / name, wav(1, 8000, 2000));
    drop({dir / "a.wav", dir / "b.wav", dir / "c.wav"});
    HWND settings = waitForWindow(IDC_TITLE);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(textOf(GetDlgItem(settings, IDC_TITLE)), L"a");
    acceptAndReadMessage(settings);
    EXPECT_TRUE(fs::exists(dir / "a.mmf"));
    EXPECT_FALSE(fs::exists(dir / "b.mmf"));
    EXPECT_FALSE(fs::exists(dir / "c.mmf"));
}

// What users drop besides sound files: a folder, a file that another
// program is writing (it is read all the same), one that another program
// holds exclusively (it cannot be opened), and a name with characters of
// the ANSI code page (Japanese in the Japanese session).
TEST_F(DesktopProgram, FoldersFilesHeldOpenAndNamesOfTheCodePage)
{
    fs::create_directory(dir / "folder.wav");
    drop({dir / "folder.wav"});
    HWND box = waitForWindow(IDC_MESSAGE_TEXT);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(textOf(GetDlgItem(box, IDC_MESSAGE_TEXT)), message(kMsgCannotOpen));
    click(box, IDOK);
    ASSERT_TRUE(waitFor([&] { return windowWith(program.dwProcessId, IDC_MESSAGE_TEXT) == nullptr; }));

    writeFile(dir / "locked.wav", wav(1, 8000, 2000));
    HANDLE exclusive = CreateFileW((dir / "locked.wav").wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    drop({dir / "locked.wav"});
    box = waitForWindow(IDC_MESSAGE_TEXT);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(textOf(GetDlgItem(box, IDC_MESSAGE_TEXT)), message(kMsgCannotOpen));
    click(box, IDOK);
    ASSERT_TRUE(waitFor([&] { return windowWith(program.dwProcessId, IDC_MESSAGE_TEXT) == nullptr; }));
    CloseHandle(exclusive);
    EXPECT_FALSE(fs::exists(dir / "locked.mmf"));

    writeFile(dir / "recording.wav", wav(1, 8000, 2000));
    HANDLE writer = CreateFileW((dir / "recording.wav").wstring().c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    HWND settings = settingsFor(dir / "recording.wav");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(acceptAndReadMessage(settings).rfind(message(kMsgFileSize), 0), 0u);
    CloseHandle(writer);
    EXPECT_TRUE(fs::exists(dir / "recording.mmf"));

    // A drop that carries the name in the code page, as the shell gives it
    // to older programs, opens too.
    const std::wstring base = nativePlatform().japaneseInterface() ? L"\u6B4C\u58F0" : L"chanson-\u00E9t\u00E9";
    const fs::path named = dir / (base + L".wav");
    writeFile(named, wav(1, 8000, 2000));
    drop({named}, false);
    settings = waitForWindow(IDC_TITLE);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(textOf(GetDlgItem(settings, IDC_TITLE)), base);
    EXPECT_EQ(acceptAndReadMessage(settings).rfind(message(kMsgFileSize), 0), 0u);
    EXPECT_TRUE(fs::exists(dir / (base + L".mmf")));
}

// Names with spaces, Japanese and an emoji, dropped by a file manager
// through X and by the shell in UTF-16, and texts typed that the ANSI code
// page cannot spell: the file written is the one the Linux build's
// korvel-cli writes for the same name and settings.
TEST_F(DesktopProgram, NamesAndTextsOfAnyScriptGiveTheLinuxBuildsFile)
{
    ASSERT_FALSE(test::linuxCli().empty()) << "KORVEL_LINUX_CLI names the Linux build's korvel-cli (tools/test-windows sets it)";
    struct Row {
        bool byX;
        std::wstring name;
        std::wstring title, copyright;  // typed; none: the defaults
    };
    const Row rows[] = {
        {true, L"first take.wav", L"", L""},
        {true, L"\u6B4C\u58F0 \U0001F600.wav", L"\u30BF\u30A4\u30C8\u30EB \U0001F3B5", L"\u00A9 \u65E5\u672C, \U0001F600"},
        {false, L"\u6B4C\u58F0 \U0001F600.wav", L"", L""},
    };
    for (const Row& row : rows) {
        const fs::path folder = dir / (row.byX ? "x" : "shell");
        fs::create_directories(folder);
        fs::create_directories(dir / "linux");
        writeFile(folder / row.name, wav(2, 22050, 11025));
        writeFile(dir / "linux" / row.name, wav(2, 22050, 11025));
        if (row.byX)
            dropByX(folder / row.name);
        else
            drop({folder / row.name});
        HWND settings = waitForWindow(IDC_TITLE);
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(textOf(GetDlgItem(settings, IDC_TITLE)), fs::path(row.name).stem().wstring());
        std::wstring options;
        if (!row.title.empty()) {
            SendMessageW(GetDlgItem(settings, IDC_TITLE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(row.title.c_str()));
            SendMessageW(GetDlgItem(settings, IDC_COPYRIGHT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(row.copyright.c_str()));
            options = L"--title " + test::quoted(row.title) + L" --copyright " + test::quoted(row.copyright) + L" ";
        }
        EXPECT_EQ(acceptAndReadMessage(settings).rfind(message(kMsgFileSize), 0), 0u);
        const fs::path written = fs::path(row.name).replace_extension(".mmf");
        EXPECT_EQ(test::runLinuxProgram(test::linuxCli(), L"convert " + options + test::quoted(row.name), dir / "linux",
                                        dir / "cli.out", dir / "cli.err"),
                  0);
        const Bytes bytes = readFile(folder / written);
        EXPECT_FALSE(bytes.empty());
        EXPECT_EQ(bytes, readFile(dir / "linux" / written));
    }
}

TEST_F(DesktopProgram, TogglesClearTheTextLimitAndThePermissionsInTheFile)
{
    const fs::path file = dir / "tone.wav";
    writeFile(file, wav(1, 8000, 4000));
    struct Row {
        std::vector<int> clicks;
        int copyStatus;
    };
    for (const Row& row : {Row{{}, 0}, Row{{IDC_TRANSFER}, 1}, Row{{IDC_SAVE}, 3}, Row{{IDC_SAVE, IDC_TRANSFER, IDC_TRANSFER}, 1}}) {
        HWND settings = settingsFor(file);
        ASSERT_NE(settings, nullptr);
        for (int id : row.clicks) {
            click(settings, id);
            Sleep(100);
        }
        acceptAndReadMessage(settings);
        const Bytes f = readFile(dir / "tone.mmf");
        ASSERT_GT(f.size(), 20u);
        EXPECT_EQ(f[19], row.copyStatus);
    }

    HWND settings = settingsFor(file);
    ASSERT_NE(settings, nullptr);
    click(settings, IDC_SAVE);
    EXPECT_TRUE(waitFor([&] { return shows(GetDlgItem(settings, IDC_TRANSFER), cell("check-box.bmp", 3, 0)); }));
    click(settings, IDC_TRANSFER);
    EXPECT_TRUE(waitFor([&] { return shows(GetDlgItem(settings, IDC_SAVE), cell("check-box.bmp", 3, 1)); }));
    HWND title = GetDlgItem(settings, IDC_TITLE);
    for (int i = 0; i < 300; ++i)
        SendMessageW(title, WM_CHAR, L'x', 1);
    EXPECT_EQ(textOf(title).size(), 256u);
    SendMessageW(GetDlgItem(settings, IDC_COPYRIGHT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"(c)"));
    click(settings, IDC_CLEAR);
    EXPECT_TRUE(waitFor([&] { return textOf(title).empty() && textOf(GetDlgItem(settings, IDC_COPYRIGHT)).empty(); }));
    // A title typed in the user's language lands in the file as UTF-8.
    const std::wstring typed = nativePlatform().japaneseInterface() ? L"\x65E5\x672C\x8A9E" : L"Caf\xE9";
    SendMessageW(title, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    acceptAndReadMessage(settings);
    const Bytes f = readFile(dir / "tone.mmf");
    const std::string expected = nativePlatform().japaneseInterface() ? "ST:\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E," : "ST:Caf\xC3\xA9,";
    EXPECT_NE(std::string(f.begin(), f.end()).find(expected), std::string::npos);
}

TEST_F(DesktopProgram, WindowsAreDraggedByTheirTopStrip)
{
    struct Row {
        int x, y;
        bool moves;
    };
    for (Row row : {Row{209, 19, true}, Row{210, 5, false}, Row{5, 20, false}, Row{100, 10, true}}) {
        const RECT before = rectOf(main);
        drag(main, row.x, row.y, 30, 20);
        const RECT after = rectOf(main);
        EXPECT_EQ(after.left - before.left, row.moves ? 30 : 0) << row.x << "," << row.y;
        EXPECT_EQ(after.top - before.top, row.moves ? 20 : 0) << row.x << "," << row.y;
    }
}

TEST_F(DesktopProgram, AboutBoxComesUpWhereTheWindowWasAndGivesItBack)
{
    const RECT before = rectOf(main);
    click(main, IDC_ABOUT);
    HWND about = waitForWindow(IDC_ABOUT_LINK);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(rectOf(about).left, before.left);
    EXPECT_EQ(rectOf(about).top, before.top);
    EXPECT_EQ(textOf(GetDlgItem(about, IDC_ABOUT_VERSION)),
              nativePlatform().japaneseInterface() ? L"Korvel(Quennet)  version 2.0.0" : L" Korvel(Quennet)  version 2.0.0");
    EXPECT_EQ(textOf(GetDlgItem(about, IDC_ABOUT_LINK)), L"https://korvel.example/");
    screenshot(about, "about");
    drag(about, 100, 10, 40, 30);
    click(about, IDOK);
    EXPECT_TRUE(mainIsBackAt(RECT{before.left + 40, before.top + 30, 0, 0}));
}

TEST_F(DesktopProgram, EnterDoesNothingAndEscapeEnds)
{
    PostMessageA(main, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(main, WM_KEYUP, VK_RETURN, 1);
    EXPECT_FALSE(ended(700));
    PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(main, WM_KEYUP, VK_ESCAPE, 1);
    EXPECT_TRUE(ended());
}

TEST_F(DesktopProgram, PowerInTheMessageBoxEndsTheProgram)
{
    writeFile(dir / "notes.txt", Bytes{'x'});
    drop({dir / "notes.txt"});
    HWND box = waitForWindow(IDC_MESSAGE_TEXT);
    ASSERT_NE(box, nullptr);
    click(box, IDC_POWER);
    EXPECT_TRUE(ended());
}

TEST_F(DesktopProgram, PowerOfTheMainWindowEndsTheProgram)
{
    click(main, IDC_MAIN_POWER);
    EXPECT_TRUE(ended());
}

// Files named on the command line go through the sequence of a drop, one
// after the other, as "Open with" starts the program.
TEST_F(DesktopProgram, FilesOnTheCommandLineAreConvertedAsDropsAre)
{
    // Only one instance runs: the one of SetUp ends first.
    click(main, IDC_MAIN_POWER);
    ASSERT_TRUE(ended());
    CloseHandle(program.hProcess);
    CloseHandle(program.hThread);
    const std::vector<fs::path> files = {dir / L"\u7740\u4FE1\u97F3 \U0001F3B5.wav", dir / "two.wav"};
    writeFile(files[0], wav(2, 22050, 11025));
    writeFile(files[1], wav(1, 8000, 8000));
    program = launchWith(files);
    acceptEach(files);
    // The window stays for further drops.
    EXPECT_TRUE(waitFor([&] { return (main = windowWith(program.dwProcessId, IDC_ABOUT)) != nullptr && IsWindowVisible(main); }));
    EXPECT_FALSE(ended(100));
}

// A second start that names files hands them to the first, which converts
// them as drops; the second ends at once.
TEST_F(DesktopProgram, ASecondStartHandsItsFilesToTheFirst)
{
    const fs::path file = dir / L"handed \u00E9.wav";
    writeFile(file, wav(1, 11025, 11025));
    PROCESS_INFORMATION second = launchWith({file});
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    acceptEach({file});
    EXPECT_FALSE(ended(100));
}

TEST_F(DesktopProgram, SecondInstanceEndsAtOnceAndLeavesTheFirstAlone)
{
    const RECT before = rectOf(main);
    PROCESS_INFORMATION second = launch("\"" + programDirectory() + "\\ui\\korvel.exe\"");
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 5000), WAIT_OBJECT_0);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    EXPECT_FALSE(ended(100));
    const RECT after = rectOf(main);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

}  // namespace
}  // namespace korvel
