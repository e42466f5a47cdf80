#include "ui/ToggleButton.h"

#include "ui/Skin.h"

namespace korvel {

int ToggleButton::setSkin(int bitmapId)
{
    bitmap = bitmapId;
    skinToCell(control, bitmapId, kRows);
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
