#pragma once

#include "ui/SubclassedControl.h"

namespace korvel {

// A push button painted from a two-row bitmap: the normal picture above the
// pressed one. It takes the shape of the picture's opaque pixels, so a click
// on a cut-out corner reaches the window behind it.
class SkinButton : public SubclassedControl {
public:
    // Sizes the button to one cell, keeping its position, and shapes it from
    // cell 0. A 51 x 26 bitmap makes a 51 x 13 button. Returns 1.
    int setSkin(int bitmapId);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void drawItem(const DRAWITEMSTRUCT& item) override;

private:
    static constexpr int kRows = 2;
    int bitmap = 0;
};

}  // namespace korvel
