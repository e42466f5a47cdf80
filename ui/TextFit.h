#pragma once

#include <windows.h>

#include <initializer_list>

#include "ui/GdiHolders.h"

namespace korvel {

// Makes a dialog's texts show whole in the fonts the system realises for
// its template, which are wider on some systems than on others: a line is
// given the room up to the window's edge and, where that is not enough, a
// smaller size of the dialog's font; an edit box a size whose line fits its
// height. The fonts live as long as this object, which lives as long as the
// dialog.
class TextFit {
public:
    // Widens each text control up to the window's right edge, or up to the
    // first pixel of a button's shape in its rows, and gives them all the
    // largest size of the dialog's font, no larger than its own, in which
    // every one of their texts fits.
    void fitLines(HWND dialog, std::initializer_list<int> controls);
    // Gives the edit boxes a one-pixel border instead of the sunken edge,
    // which takes two pixels from each side of their few rows, and the
    // largest size of the dialog's font whose line fits their height.
    void fitEditBoxes(HWND dialog, std::initializer_list<int> controls);

private:
    GdiObject<HFONT> lineFont;
    GdiObject<HFONT> editFont;
};

}  // namespace korvel
