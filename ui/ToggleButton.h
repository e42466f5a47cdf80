#pragma once

#include "ui/SubclassedControl.h"

namespace korvel {

// A three-state button painted from a three-row bitmap (off, on, disabled),
// used as check box and radio button. It never changes its own state: a
// click reaches the dialog as a command, in every state, and the dialog
// decides.
class ToggleButton : public SubclassedControl {
public:
    static constexpr int kOff = 0;
    static constexpr int kOn = 1;
    static constexpr int kDisabled = 2;

    // Sizes the button to one cell and shapes it from cell 0 (off). Returns 1.
    int setSkin(int bitmapId);
    void setState(int state);
    int getState() const { return state; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void drawItem(const DRAWITEMSTRUCT& item) override;

private:
    static constexpr int kRows = 3;
    int bitmap = 0;
    int state = kOff;
};

}  // namespace korvel
