#include "ui/SkinButton.h"

#include "ui/Skin.h"

namespace korvel {

int SkinButton::setSkin(int bitmapId)
{
    bitmap = bitmapId;
    skinToCell(control, bitmapId, kRows);
    return 1;
}

LRESULT SkinButton::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The cell covers the button; what lies behind the cut-outs is the dialog's.
    if (message == WM_ERASEBKGND)
        return 1;
    return SubclassedControl::onMessage(message, wParam, lParam);
}

void SkinButton::drawItem(const DRAWITEMSTRUCT& item)
{
    drawCell(control, item.hDC, bitmap, kRows, (item.itemState & ODS_SELECTED) ? 1 : 0);
}

}  // namespace korvel
