#pragma once

#include <windows.h>

namespace korvel {

// A control of a dialog template whose window procedure this program takes
// over, keeping the original for everything it does not handle itself. The
// object is found from the window through its user data.
class SubclassedControl {
public:
    SubclassedControl() = default;
    SubclassedControl(const SubclassedControl&) = delete;
    SubclassedControl& operator=(const SubclassedControl&) = delete;
    virtual ~SubclassedControl();

    // Takes over the control `id` of the dialog; false when there is none.
    bool attach(HWND dialog, int id);
    HWND handle() const { return control; }
    // Moves the control's top-left corner to (x, y) of its dialog's client
    // area, keeping its size and stacking order.
    void placeAt(int x, int y);

    // Owner-drawn controls are drawn by their dialog: a dialog passes its
    // WM_DRAWITEM here, and the control it names draws itself. False when
    // the item is not a subclassed control.
    static bool reflectDrawItem(const DRAWITEMSTRUCT* item);
    static SubclassedControl* fromHandle(HWND window);

protected:
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void drawItem(const DRAWITEMSTRUCT& item);
    LRESULT callOriginal(UINT message, WPARAM wParam, LPARAM lParam);

    HWND control = nullptr;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC original = nullptr;
};

}  // namespace korvel
