// Every text of every dialog shows whole in the user's language: the dialogs
// run in this process, and each text is measured in the font its control
// really has against the part of the control that the window shows.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "job/ConversionJob.h"
#include "job/SettingsRules.h"
#include "job/SoundCheck.h"
#include "system/Messages.h"
#include "system/Platform.h"
#include "system/WideText.h"
#include "resources/resource.h"
#include "ui/AboutBox.h"
#include "ui/MessageDialog.h"
#include "ui/SettingsDialog.h"

namespace korvel {
namespace {

// Whether a visible button's shape covers part of the rectangle (in the
// dialog's coordinates).
bool underAButton(HWND dialog, const RECT& area)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        GetClassNameW(child, kind, 16);
        if (lstrcmpiW(kind, L"Button") != 0 || !IsWindowVisible(child))
            continue;
        RECT button{};
        GetWindowRect(child, &button);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&button), 2);
        HRGN shape = CreateRectRgn(0, 0, button.right - button.left, button.bottom - button.top);
        GetWindowRgn(child, shape);
        HRGN part = CreateRectRgn(area.left - button.left, area.top - button.top, area.right - button.left,
                                  area.bottom - button.top);
        const int overlap = CombineRgn(part, part, shape, RGN_AND);
        DeleteObject(part);
        DeleteObject(shape);
        if (overlap != NULLREGION)
            return true;
    }
    return false;
}

// The texts that do not show whole: each text measured in its control's
// font and placed as the control places it, against the part of the
// control inside the window and the buttons' shapes. An edit box shows its
// text in its formatting rectangle and scrolls it sideways: only its height
// must fit.
std::vector<std::string> cutTexts(HWND dialog)
{
    std::vector<std::string> cut;
    RECT window{};
    GetClientRect(dialog, &window);
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        GetClassNameW(control, kind, 16);
        const bool edit = lstrcmpiW(kind, L"Edit") == 0;
        wchar_t text[512] = {};
        const int length = GetWindowTextW(control, text, 512);
        if ((!edit && lstrcmpiW(kind, L"Static") != 0) || length == 0)
            continue;
        RECT box{};
        if (edit)
            SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&box));
        else
            GetClientRect(control, &box);
        MapWindowPoints(control, dialog, reinterpret_cast<POINT*>(&box), 2);
        RECT shown{};
        IntersectRect(&shown, &box, &window);
        HDC dc = GetDC(control);
        HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text, length, &size);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        SelectObject(dc, before);
        ReleaseDC(control, dc);
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const bool centred = !edit && (style & SS_TYPEMASK) == SS_CENTER;
        const bool middle = !edit && (style & SS_CENTERIMAGE) != 0;
        RECT drawn{};
        drawn.left = edit ? shown.left : centred ? (box.left + box.right - size.cx) / 2 : box.left;
        drawn.right = edit ? shown.left : drawn.left + size.cx;
        drawn.top = middle ? (box.top + box.bottom - metrics.tmHeight) / 2 : box.top;
        drawn.bottom = drawn.top + metrics.tmHeight;
        const bool inside = drawn.left >= shown.left && drawn.right <= shown.right && drawn.top >= shown.top &&
                            drawn.bottom <= shown.bottom;
        if (!inside || (!edit && underAButton(dialog, drawn)))
            cut.push_back(narrow(text) + ": drawn at " + std::to_string(drawn.left) + "," + std::to_string(drawn.top) + " to " +
                          std::to_string(drawn.right) + "," + std::to_string(drawn.bottom) + ", shown " +
                          std::to_string(shown.left) + "," + std::to_string(shown.top) + " to " + std::to_string(shown.right) +
                          "," + std::to_string(shown.bottom));
    }
    return cut;
}

std::function<void(HWND)> check;

// Runs the dialog; once it shows, checks it and closes it.
void measure(SkinnedDialog& dialog, const std::function<void(HWND)>& what)
{
    check = what;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND shown = GetActiveWindow();
        if (shown == nullptr || !check)
            return;
        check(shown);
        check = nullptr;
        PostMessageW(shown, WM_COMMAND, IDCANCEL, 0);
    });
    dialog.run(nullptr);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(check) << "the dialog did not come up";
    check = nullptr;
}

TEST(TextFit, AboutBoxShowsEveryLineWhole)
{
    AboutBox about;
    measure(about, [](HWND dialog) {
        EXPECT_EQ(cutTexts(dialog), std::vector<std::string>{}) << (nativePlatform().japaneseInterface() ? "Japanese" : "English");
    });
}

TEST(TextFit, MessageBoxShowsEveryMessageWhole)
{
    for (int number = 1; number <= 15; ++number) {
        const char* text = messageText(number, nativePlatform().japaneseInterface());
        if (text == nullptr)
            continue;
        const std::string shown = number == kMsgFileSize ? text + ConversionJob::sizeText(270000) : text;
        MessageDialog box(number == kMsgFileSize ? MessageKind::success : MessageKind::error, shown);
        measure(box, [&](HWND dialog) { EXPECT_EQ(cutTexts(dialog), std::vector<std::string>{}) << shown; });
    }
}

// A title typed in Japanese, with letters that reach below the line.
TEST(TextFit, SettingsShowATypedTitleWhole)
{
    SoundCheck sound;
    sound.defaultTitle = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE Typography";
    sound.sampleRate = 44100;
    SettingsRules::describe(sound);
    SettingsDialog settings(sound);
    measure(settings, [](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_COPYRIGHT, L"(c) \x5E74 gjpqy");
        EXPECT_EQ(cutTexts(dialog), std::vector<std::string>{}) << (nativePlatform().japaneseInterface() ? "Japanese" : "English");
    });
}

}  // namespace
}  // namespace korvel
