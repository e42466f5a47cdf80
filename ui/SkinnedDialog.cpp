#include "ui/SkinnedDialog.h"

#include "resources/resource.h"
#include "ui/GdiHolders.h"
#include "ui/SettingsToggles.h"
#include "ui/Skin.h"
#include "ui/SubclassedControl.h"

namespace korvel {

namespace {

constexpr int kFrameWidth = 210;
constexpr int kFrameHeight = 100;

}  // namespace

SkinnedDialog::SkinnedDialog(int templateId) : templateId(templateId) {}

SkinnedDialog::~SkinnedDialog() = default;

INT_PTR SkinnedDialog::run(HWND ownerWindow)
{
    owner = ownerWindow;
    // Unicode windows: the edit boxes hold every character typed, not only
    // those of the ANSI code page.
    return DialogBoxParamW(skinInstance(), MAKEINTRESOURCEW(templateId), owner, &SkinnedDialog::procedure,
                           reinterpret_cast<LPARAM>(this));
}

HWND SkinnedDialog::create(HWND ownerWindow)
{
    owner = ownerWindow;
    return CreateDialogParamW(skinInstance(), MAKEINTRESOURCEW(templateId), owner, &SkinnedDialog::procedure,
                              reinterpret_cast<LPARAM>(this));
}

bool SkinnedDialog::onCommand(int)
{
    return false;
}

void SkinnedDialog::onPaint(HDC) {}

HBRUSH SkinnedDialog::onControlColour(HDC, HWND)
{
    return nullptr;
}

HICON SkinnedDialog::dragIcon()
{
    return nullptr;
}

bool SkinnedDialog::onMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

void SkinnedDialog::recordRect()
{
    GetWindowRect(dialog, &recorded);
}

void SkinnedDialog::end(INT_PTR result)
{
    EndDialog(dialog, result);
}

void SkinnedDialog::closeRecording(INT_PTR result)
{
    recordRect();
    end(result);
}

void SkinnedDialog::closeProgram()
{
    if (owner != nullptr)
        PostMessageA(owner, kEndProgram, 0, 0);
    end(0);
}

bool SkinnedDialog::closeCommand(int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        closeRecording(id);
        return true;
    case IDC_POWER:
        closeProgram();
        return true;
    default:
        return false;
    }
}

void SkinnedDialog::placeCloseButtons(SkinButton& ok, SkinButton& power)
{
    ok.attach(dialog, IDOK);
    ok.placeAt(130, 85);
    ok.setSkin(IDB_BUTTON_CLOSE);
    power.attach(dialog, IDC_POWER);
    power.placeAt(182, 72);
    power.setSkin(IDB_BUTTON_POWER);
}

void SkinnedDialog::paintBitmap(HDC dc, int bitmapId, int x, int y)
{
    GdiObject<HBITMAP> bitmap(LoadBitmapA(skinInstance(), MAKEINTRESOURCEA(bitmapId)));
    if (bitmap.get() == nullptr)
        return;
    const SIZE size = bitmapSize(bitmap);
    MemoryDc source(dc);
    ScopedSelectObject keep(source, bitmap);
    BitBlt(dc, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
}

void SkinnedDialog::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    HICON icon = dragIcon();
    if (IsIconic(dialog) && icon != nullptr) {
        // Minimised: the icon, centred.
        SendMessageA(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client{};
        GetClientRect(dialog, &client);
        const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, icon);
    } else {
        paintBitmap(dc, IDB_FRAME, 0, 0);
        onPaint(dc);
    }
    EndPaint(dialog, &ps);
}

INT_PTR CALLBACK SkinnedDialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<SkinnedDialog*>(lParam)->dialog = window;
    }
    auto* self = reinterpret_cast<SkinnedDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    return self != nullptr ? self->dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR SkinnedDialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = 0;
    switch (message) {
    case WM_INITDIALOG: {
        // The frame's size, keeping the position; then centred over the owner.
        SetWindowPos(dialog, nullptr, 0, 0, kFrameWidth, kFrameHeight, SWP_NOMOVE | SWP_NOZORDER);
        // Without an owner, the middle of the screen's work area.
        RECT o{};
        if (owner != nullptr)
            GetWindowRect(owner, &o);
        else
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &o, 0);
        SetWindowPos(dialog, nullptr, (o.left + o.right) / 2 - kFrameWidth / 2, (o.top + o.bottom) / 2 - kFrameHeight / 2,
                     0, 0, SWP_NOSIZE | SWP_NOZORDER);
        recordRect();
        dragging = false;
        return onInit();
    }
    case WM_PAINT:
        paint();
        return TRUE;
    case WM_ERASEBKGND:
        // The paint covers the whole window.
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_DRAWITEM:
        return SubclassedControl::reflectDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(onControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(dragIcon());
    case WM_COMMAND:
        return onCommand(LOWORD(wParam)) ? TRUE : FALSE;
    case WM_LBUTTONDOWN: {
        const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (inTitleStrip(p.x, p.y)) {
            SetCapture(dialog);
            anchor = p;
            dragging = true;
        }
        return FALSE;
    }
    case WM_MOUSEMOVE:
        if (dragging) {
            POINT c{};
            GetCursorPos(&c);
            SetWindowPos(dialog, nullptr, c.x - anchor.x, c.y - anchor.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }
        return FALSE;
    case WM_LBUTTONUP:
        if (dragging)
            ReleaseCapture();
        dragging = false;
        return FALSE;
    default:
        if (onMessage(message, wParam, lParam, result)) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
}

}  // namespace korvel
