#pragma once

#include <windows.h>

#include "ui/SkinButton.h"

namespace korvel {

// The common part of the program's four windows: a dialog template drawn on
// the 210 x 100 frame, dragged by its top strip, and centred over its owner
// (the collapsed main window, so that it comes up where that window was).
class SkinnedDialog {
public:
    // Sent to the main window by Power in any dialog: the program ends once
    // whatever runs has unwound.
    static constexpr UINT kEndProgram = WM_APP + 1;

    explicit SkinnedDialog(int templateId);
    SkinnedDialog(const SkinnedDialog&) = delete;
    SkinnedDialog& operator=(const SkinnedDialog&) = delete;
    virtual ~SkinnedDialog();

    // Runs the dialog modally over the owner; returns IDOK, IDCANCEL, or 0
    // when Power closed it.
    INT_PTR run(HWND owner);
    HWND handle() const { return dialog; }
    // The screen rectangle recorded when the dialog closed with OK or
    // CANCEL; where it came up, when Power closed it.
    RECT lastRect() const { return recorded; }

protected:
    // Initialisation after the frame size and the position are set; the
    // result is the answer to WM_INITDIALOG.
    virtual BOOL onInit() = 0;
    // A command; false leaves it to the standard handling.
    virtual bool onCommand(int id);
    // Paints over the frame, which is already drawn.
    virtual void onPaint(HDC dc);
    // WM_CTLCOLORSTATIC; nullptr leaves it to the standard handling.
    virtual HBRUSH onControlColour(HDC dc, HWND control);
    // The icon shown while the minimised window is dragged; none by default.
    virtual HICON dragIcon();
    // Any other message; false leaves it to the standard handling.
    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    void recordRect();
    void end(INT_PTR result);
    // OK and CANCEL: record the rectangle, then close.
    void closeRecording(INT_PTR result);
    // Power: end the main window, then this dialog with 0, recording nothing.
    void closeProgram();
    // OK and CANCEL close recording the rectangle, Power ends the program;
    // false for any other command.
    bool closeCommand(int id);
    // The close button at (130, 85) and Power at (182, 72).
    void placeCloseButtons(SkinButton& ok, SkinButton& power);
    static void paintBitmap(HDC dc, int bitmapId, int x, int y);
    // Creates the dialog without running it, for a window with a message
    // loop of its own.
    HWND create(HWND owner);

    HWND dialog = nullptr;

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void paint();

    int templateId;
    HWND owner = nullptr;
    RECT recorded{};
    POINT anchor{};
    bool dragging = false;
};

}  // namespace korvel
