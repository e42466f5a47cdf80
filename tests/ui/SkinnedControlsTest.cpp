// The skinned controls on a real window under the Windows build: sizes,
// shapes, hits, commands and the pixels that reach the screen.

#include <windows.h>

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "ui/GdiHolders.h"
#include "ui/ImageControl.h"
#include "ui/LinkLabel.h"
#include "ui/Skin.h"
#include "ui/SkinButton.h"
#include "ui/ToggleButton.h"

namespace korvel {
namespace {

constexpr int kButton = 10;
constexpr int kCheck = 11;
constexpr int kRadio = 12;
constexpr int kPicture = 13;
constexpr int kLink = 14;
constexpr COLORREF kBackground = RGB(40, 200, 120);

std::vector<int> commands;
LinkLabel* linkUnderTest = nullptr;

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        commands.push_back(LOWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        if (SubclassedControl::reflectDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;
    case WM_CTLCOLORSTATIC:
        if (linkUnderTest != nullptr && reinterpret_cast<HWND>(lParam) == linkUnderTest->handle())
            return reinterpret_cast<LRESULT>(linkUnderTest->controlColour(reinterpret_cast<HDC>(wParam)));
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits for a condition while handling messages, for at most two seconds.
template <typename Condition>
bool waitFor(Condition condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        pump();
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

RECT screenRect(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

COLORREF screenPixel(int x, int y)
{
    WindowDc screen(nullptr);
    return GetPixel(screen, x, y);
}

// The pixels of one cell of a skin bitmap.
PixelGrid cellPixels(int bitmapId, int rows, int cell)
{
    GdiObject<HBITMAP> bitmap(LoadBitmapA(skinInstance(), MAKEINTRESOURCEA(bitmapId)));
    const PixelGrid all = readPixels(bitmap);
    const int height = all.height / rows;
    PixelGrid one{all.width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < all.width; ++x)
            one.pixels.push_back(all.at(x, cell * height + y));
    return one;
}

COLORREF colourOf(std::uint32_t rgb)
{
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Whether the screen shows the cell's opaque pixels at the window, and the
// host's background through its cut-outs.
bool screenShows(HWND window, const PixelGrid& cell)
{
    const RECT r = screenRect(window);
    const std::uint32_t key = cell.at(0, 0);
    for (int y = 0; y < cell.height; ++y)
        for (int x = 0; x < cell.width; ++x) {
            const COLORREF want = cell.at(x, y) == key ? kBackground : colourOf(cell.at(x, y));
            if (screenPixel(r.left + x, r.top + y) != want)
                return false;
        }
    return true;
}

class SkinnedControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = hostProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KorvelControlHost";
        windowClass.hbrBackground = background;
        RegisterClassA(&windowClass);
        host = CreateWindowExA(0, "KorvelControlHost", "Controls", WS_POPUP | WS_VISIBLE, 100, 100, 320, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(host, nullptr);
        auto child = [&](const char* cls, DWORD style, int id, int x, int y, const char* text = "") {
            CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, 20, 20, host,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
        };
        child("Button", BS_OWNERDRAW, kButton, 10, 10);
        child("Button", BS_OWNERDRAW, kCheck, 10, 40);
        child("Button", BS_OWNERDRAW, kRadio, 40, 40);
        child("Static", SS_LEFT, kPicture, 80, 10);
        child("Static", SS_NOTIFY, kLink, 10, 170, "https://korvel.example/");
        ASSERT_TRUE(button.attach(host, kButton));
        ASSERT_TRUE(check.attach(host, kCheck));
        ASSERT_TRUE(radio.attach(host, kRadio));
        ASSERT_TRUE(picture.attach(host, kPicture));
        ASSERT_TRUE(link.attach(host, kLink));
        linkUnderTest = &link;
        button.setSkin(IDB_BUTTON_OK);
        check.setSkin(IDB_CHECK_BOX);
        radio.setSkin(IDB_RADIO);
        picture.setImage(IDB_DROP_HERE);
        UpdateWindow(host);
        pump();
        commands.clear();
    }
    void TearDown() override
    {
        linkUnderTest = nullptr;
        DestroyWindow(host);
        pump();
        // The class keeps this fixture's brush; the next fixture registers its own.
        UnregisterClassA("KorvelControlHost", GetModuleHandleA(nullptr));
    }

    GdiObject<HBRUSH> background{CreateSolidBrush(kBackground)};
    HWND host = nullptr;
    SkinButton button;
    ToggleButton check;
    ToggleButton radio;
    ImageControl picture;
    LinkLabel link;
};

TEST_F(SkinnedControls, ControlsTakeTheSizeOfOneCell)
{
    struct Row {
        HWND window;
        int width, height;
    };
    for (Row row : {Row{button.handle(), 51, 13}, Row{check.handle(), 13, 13}, Row{radio.handle(), 11, 11},
                    Row{picture.handle(), 210, 60}}) {
        const RECT r = screenRect(row.window);
        EXPECT_EQ(r.right - r.left, row.width);
        EXPECT_EQ(r.bottom - r.top, row.height);
    }
    // Placed where the window was, relative to the host.
    const RECT r = screenRect(button.handle());
    EXPECT_EQ(r.left, 110);
    EXPECT_EQ(r.top, 110);
    button.placeAt(6, 85);
    EXPECT_EQ(screenRect(button.handle()).left, 106);
    EXPECT_EQ(screenRect(button.handle()).right - screenRect(button.handle()).left, 51);
}

TEST_F(SkinnedControls, ShapesFollowTheOpaquePixels)
{
    GdiObject<HRGN> shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(button.handle(), shape), ERROR);
    EXPECT_FALSE(PtInRegion(shape, 0, 0));
    EXPECT_FALSE(PtInRegion(shape, 50, 12));
    EXPECT_TRUE(PtInRegion(shape, 25, 6));
    ASSERT_NE(GetWindowRgn(picture.handle(), shape), ERROR);
    EXPECT_FALSE(PtInRegion(shape, 0, 0));
    EXPECT_TRUE(PtInRegion(shape, 105, 30));
}

TEST_F(SkinnedControls, ClicksOnCutOutPixelsReachTheWindowBehind)
{
    const RECT r = screenRect(button.handle());
    EXPECT_EQ(WindowFromPoint({r.left, r.top}), host);
    EXPECT_EQ(WindowFromPoint({r.left + 25, r.top + 6}), button.handle());
    const RECT c = screenRect(radio.handle());
    EXPECT_EQ(WindowFromPoint({c.left, c.top}), host);
    EXPECT_EQ(WindowFromPoint({c.left + 5, c.top + 5}), radio.handle());
}

TEST_F(SkinnedControls, ToggleSendsItsCommandInEveryStateAndKeepsItsState)
{
    for (int state : {ToggleButton::kOff, ToggleButton::kOn, ToggleButton::kDisabled}) {
        check.setState(state);
        commands.clear();
        SendMessageA(check.handle(), BM_CLICK, 0, 0);
        pump();
        EXPECT_EQ(commands, std::vector<int>{kCheck}) << state;
        EXPECT_EQ(check.getState(), state);
    }
}

TEST_F(SkinnedControls, ScreenShowsTheCellOfTheState)
{
    EXPECT_TRUE(waitFor([&] { return screenShows(button.handle(), cellPixels(IDB_BUTTON_OK, 2, 0)); }));
    EXPECT_TRUE(waitFor([&] { return screenShows(picture.handle(), cellPixels(IDB_DROP_HERE, 1, 0)); }));
    for (int state : {ToggleButton::kOff, ToggleButton::kOn, ToggleButton::kDisabled}) {
        check.setState(state);
        radio.setState(state);
        EXPECT_TRUE(waitFor([&] { return screenShows(check.handle(), cellPixels(IDB_CHECK_BOX, 3, state)); })) << state;
        EXPECT_TRUE(waitFor([&] { return screenShows(radio.handle(), cellPixels(IDB_RADIO, 3, state)); })) << state;
    }
}

TEST_F(SkinnedControls, LinkIsUnderlinedBlueAndShowsItsCursor)
{
    InvalidateRect(link.handle(), nullptr, TRUE);
    UpdateWindow(link.handle());
    pump();
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(link.handle(), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA description{};
    GetObjectA(font, sizeof description, &description);
    EXPECT_TRUE(description.lfUnderline);

    EXPECT_FALSE(SendMessageA(link.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.handle()), HTCLIENT));
    HCURSOR cursor = LoadCursorA(skinInstance(), MAKEINTRESOURCEA(IDCUR_LINK));
    ASSERT_NE(cursor, nullptr);
    link.setCursor(cursor);
    EXPECT_TRUE(SendMessageA(link.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.handle()), HTCLIENT));
    EXPECT_EQ(GetCursor(), cursor);
}

TEST(SkinResources, BitmapsLoadWithTheirSizes)
{
    struct Row {
        int id, width, height;
    };
    for (Row row : {Row{IDB_FRAME, 210, 100}, Row{IDB_BUTTON_POWER, 28, 56}, Row{IDB_EMBLEM, 48, 48},
                    Row{IDB_BAR_TITLE, 210, 17}, Row{IDB_LABEL_SAVE, 28, 12}}) {
        GdiObject<HBITMAP> bitmap(LoadBitmapA(skinInstance(), MAKEINTRESOURCEA(row.id)));
        ASSERT_NE(bitmap.get(), nullptr) << row.id;
        const SIZE size = bitmapSize(bitmap);
        EXPECT_EQ(size.cx, row.width) << row.id;
        EXPECT_EQ(size.cy, row.height) << row.id;
    }
    // GetPixel gives back the file's colours exactly: the cut-out colours.
    EXPECT_EQ(cellPixels(IDB_BUTTON_POWER, 2, 0).at(0, 0), 0xFF0000u);
    EXPECT_EQ(cellPixels(IDB_BUTTON_ABOUT, 2, 1).at(0, 0), 0xFFFF00u);
}

}  // namespace
}  // namespace korvel
