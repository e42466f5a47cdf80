#include "ui/MainWindow.h"

#include <shellapi.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "system/Platform.h"
#include "system/WideText.h"
#include "resources/resource.h"
#include "ui/AboutBox.h"
#include "ui/MessageDialog.h"
#include "ui/SettingsDialog.h"
#include "ui/Skin.h"

namespace korvel {

namespace {

// The first items of the standard system menu, up to Close.
constexpr int kSystemMenuItemsBeforeClose = 6;
// Posted to convert the next waiting file.
constexpr UINT kConvertNext = SkinnedDialog::kEndProgram + 1;
// The most bytes of names a second start may hand over.
constexpr DWORD kMaxHandedBytes = 1u << 20;

}  // namespace

MainWindow::MainWindow()
    : SkinnedDialog(IDD_MAIN), icon(LoadIconA(skinInstance(), MAKEINTRESOURCEA(IDI_KORVEL))),
      flow(*this, nativePlatform())
{
}

MainWindow::~MainWindow() = default;

void MainWindow::runModal()
{
    HWND window = create(nullptr);
    if (window == nullptr)
        return;
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (!closing && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Enter is kept from the dialog manager, which would press Power with it.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && (msg.hwnd == window || IsChild(window, msg.hwnd)))
            continue;
        if (!IsDialogMessageW(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DestroyWindow(window);
}

BOOL MainWindow::onInit()
{
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    about.attach(dialog, IDC_ABOUT);
    about.placeAt(6, 85);
    about.setSkin(IDB_BUTTON_ABOUT);
    power.attach(dialog, IDC_MAIN_POWER);
    power.placeAt(182, 72);
    power.setSkin(IDB_BUTTON_POWER);
    picture.attach(dialog, IDC_MAIN_PICTURE);
    picture.setImage(IDB_DROP_HERE);
    picture.placeAt(0, 24);
    ShowWindow(picture.handle(), SW_SHOW);
    SetWindowTextA(dialog, "Korvel");
    // Of the standard system menu only Close remains.
    SetWindowLongPtrA(dialog, GWL_STYLE, GetWindowLongPtrA(dialog, GWL_STYLE) | WS_SYSMENU);
    HMENU menu = GetSystemMenu(dialog, FALSE);
    for (int i = 0; i < kSystemMenuItemsBeforeClose; ++i)
        RemoveMenu(menu, 0, MF_BYPOSITION);
    SetForegroundWindow(dialog);
    setAcceptDrops(true);
    if (!waiting.empty())
        PostMessageA(dialog, kConvertNext, 0, 0);
    return FALSE;
}

bool MainWindow::onCommand(int id)
{
    switch (id) {
    case IDC_ABOUT:
        onAbout();
        return true;
    case IDC_MAIN_POWER:  // IDOK
    case IDCANCEL:        // the Escape key
        close();
        return true;
    default:
        return false;
    }
}

HICON MainWindow::dragIcon()
{
    return icon;
}

bool MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result)
{
    switch (message) {
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        result = 0;
        return true;
    case kEndProgram:
        close();
        result = 0;
        return true;
    case kConvertNext:
        convertNext();
        result = 0;
        return true;
    case WM_COPYDATA:
        result = onCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
        return true;
    default:
        return false;
    }
}

void MainWindow::close()
{
    closing = true;
    // Wakes the message loop, which then ends.
    PostMessageA(dialog, WM_NULL, 0, 0);
}

void MainWindow::onDropFiles(HDROP drop)
{
    // Only the first file of a drop is converted; its path is taken whole,
    // whatever its length, so that the job can refuse a long one, and in
    // UTF-16, so that a name the ANSI code page cannot spell opens too.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    DragQueryFileW(drop, 0, path.data(), length + 1);
    path.resize(length);
    DragFinish(drop);
    // Converted at once, before any file still waiting.
    waiting.push_front(narrow(path));
    convertNext();
}

void MainWindow::takeFiles(const std::vector<std::string>& files)
{
    waiting.insert(waiting.end(), files.begin(), files.end());
    // Before the window exists, its start takes them.
    if (dialog != nullptr && !waiting.empty())
        PostMessageA(dialog, kConvertNext, 0, 0);
}

// Names handed over by a second start: taken in turn, never converted
// inside the sequence that may be running now.
bool MainWindow::onCopyData(const COPYDATASTRUCT& data)
{
    if (data.dwData != kOpenFiles || data.lpData == nullptr || data.cbData % sizeof(wchar_t) != 0 ||
        data.cbData > kMaxHandedBytes)
        return false;
    const std::wstring_view units(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    std::vector<std::string> files;
    for (std::size_t at = 0; at < units.size();) {
        const std::size_t end = std::min(units.find(L'\0', at), units.size());
        if (end > at)
            files.push_back(narrow(units.substr(at, end - at)));
        at = end + 1;
    }
    takeFiles(files);
    SetForegroundWindow(dialog);
    return true;
}

void MainWindow::convertNext()
{
    if (converting || closing || waiting.empty())
        return;
    const std::string file = waiting.front();
    waiting.pop_front();
    converting = true;
    flow.drop(file);
    converting = false;
    if (!waiting.empty())
        PostMessageA(dialog, kConvertNext, 0, 0);
}

void MainWindow::onAbout()
{
    AboutBox box;
    GetWindowRect(dialog, &remembered);
    const int width = remembered.right - remembered.left;
    const int height = remembered.bottom - remembered.top;
    MoveWindow(dialog, (remembered.left + remembered.right) / 2, (remembered.top + remembered.bottom) / 2, 0, 0, TRUE);
    box.run(dialog);
    const RECT r = box.lastRect();
    MoveWindow(dialog, r.left, r.top, width, height, TRUE);
}

void MainWindow::setAcceptDrops(bool on)
{
    DragAcceptFiles(dialog, on ? TRUE : FALSE);
}

void MainWindow::collapseAt(std::optional<ScreenPoint> point)
{
    GetWindowRect(dialog, &remembered);
    const ScreenPoint at =
        point.value_or(ScreenRect{remembered.left, remembered.top, remembered.right, remembered.bottom}.centre());
    MoveWindow(dialog, at.x, at.y, 0, 0, TRUE);
}

void MainWindow::restoreAt(ScreenPoint point, bool redraw)
{
    MoveWindow(dialog, point.x, point.y, remembered.right - remembered.left, remembered.bottom - remembered.top, TRUE);
    if (redraw)
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

DialogAnswer MainWindow::askSettings(const SoundCheck& sound)
{
    SettingsDialog settings(sound);
    settings.run(dialog);
    return settings.settings();
}

ScreenPoint MainWindow::showMessage(MessageKind kind, const std::string& text)
{
    MessageDialog box(kind, text);
    box.run(dialog);
    const RECT r = box.lastRect();
    return {r.left, r.top};
}

void MainWindow::waitCursor(WaitCursor state)
{
    SetCursor(LoadCursorA(nullptr, state == WaitCursor::end ? IDC_ARROW : IDC_WAIT));
}

}  // namespace korvel
