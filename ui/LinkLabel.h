#pragma once

#include "ui/GdiHolders.h"
#include "ui/SubclassedControl.h"

namespace korvel {

// An underlined blue text that opens itself with the shell when clicked: a
// web address opens in the user's browser.
class LinkLabel : public SubclassedControl {
public:
    static constexpr COLORREF kTextColour = RGB(0, 0, 255);

    LinkLabel();

    // The pointer shown while the mouse is over the link.
    void setCursor(HCURSOR cursor);

    // The dialog's WM_CTLCOLORSTATIC for this control: the first time, the
    // control's font is replaced by an underlined copy; every time, blue text
    // on a transparent background. Returns the background brush.
    HBRUSH controlColour(HDC dc);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    GdiObject<HFONT> font;
    GdiObject<HBRUSH> background;
    HCURSOR cursor = nullptr;
};

}  // namespace korvel
