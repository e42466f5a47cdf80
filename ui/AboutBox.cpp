#include "ui/AboutBox.h"

#include "resources/resource.h"
#include "ui/Skin.h"

namespace korvel {

AboutBox::AboutBox() : SkinnedDialog(IDD_ABOUT) {}

BOOL AboutBox::onInit()
{
    link.attach(dialog, IDC_ABOUT_LINK);
    link.setCursor(LoadCursorA(skinInstance(), MAKEINTRESOURCEA(IDCUR_LINK)));
    placeCloseButtons(ok, power);
    // The lines reach past the window's edge in the template.
    texts.fitLines(dialog, {IDC_ABOUT_VERSION, IDC_ABOUT_NOTICE, IDC_ABOUT_NAME, IDC_ABOUT_SUPPORT, IDC_ABOUT_LINK});
    SetForegroundWindow(dialog);
    // The keyboard focus goes to the first control.
    return TRUE;
}

bool AboutBox::onCommand(int id)
{
    return closeCommand(id);
}

void AboutBox::onPaint(HDC dc)
{
    paintBitmap(dc, IDB_EMBLEM, 6, 25);
}

// The link colours itself blue; every text lies on the frame.
HBRUSH AboutBox::onControlColour(HDC dc, HWND control)
{
    if (control == link.handle())
        link.controlColour(dc);
    else
        SetTextColor(dc, kTextColour);
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

}  // namespace korvel
