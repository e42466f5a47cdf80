#include "ui/ToggleButton.h"

#include "ui/GdiHolders.h"
#include "ui/Skin.h"

namespace korvel {

int ToggleButton::setSkin(int bitmapId)
{
    bitmap = bitmapId;
    GdiObject<HBITMAP> picture(LoadBitmapA(skinInstance(), MAKEINTRESOURCEA(bitmapId)));
    const SIZE size = bitmapSize(picture);
    const int cellHeight = static_cast<int>(static_cast<unsigned>(size.cy) / kRows);
    SetWindowPos(control, nullptr, 0, 0, size.cx, cellHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    applyShape(control, picture, cellHeight);
    return 1;
}

void ToggleButton::setState(int newState)
{
    state = newState;
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
}

LRESULT ToggleButton::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ERASEBKGND)
        return 1;
    return SubclassedControl::onMessage(message, wParam, lParam);
}

// The cell of the state; the pressed look of a push button is not shown.
void ToggleButton::drawItem(const DRAWITEMSTRUCT& item)
{
    if (state >= kOff && state <= kDisabled)
        drawCell(control, item.hDC, bitmap, kRows, state);
}

}  // namespace korvel
