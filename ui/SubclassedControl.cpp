#include "ui/SubclassedControl.h"

namespace korvel {

SubclassedControl::~SubclassedControl()
{
    if (control != nullptr && original != nullptr && IsWindow(control)) {
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrA(control, GWLP_USERDATA, 0);
    }
}

bool SubclassedControl::attach(HWND dialog, int id)
{
    control = GetDlgItem(dialog, id);
    if (control == nullptr)
        return false;
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassedControl::procedure)));
    return true;
}

void SubclassedControl::placeAt(int x, int y)
{
    SetWindowPos(control, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SubclassedControl* SubclassedControl::fromHandle(HWND window)
{
    if (window == nullptr)
        return nullptr;
    return reinterpret_cast<SubclassedControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool SubclassedControl::reflectDrawItem(const DRAWITEMSTRUCT* item)
{
    SubclassedControl* self = item != nullptr ? fromHandle(item->hwndItem) : nullptr;
    if (self == nullptr)
        return false;
    self->drawItem(*item);
    return true;
}

LRESULT SubclassedControl::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return callOriginal(message, wParam, lParam);
}

void SubclassedControl::drawItem(const DRAWITEMSTRUCT&) {}

LRESULT SubclassedControl::callOriginal(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(original, control, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SubclassedControl* self = fromHandle(window);
    if (self == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window goes; the object no longer speaks for it.
        const WNDPROC original = self->original;
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->control = nullptr;
        return CallWindowProcA(original, window, message, wParam, lParam);
    }
    return self->onMessage(message, wParam, lParam);
}

}  // namespace korvel
