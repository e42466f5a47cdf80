#pragma once

#include <windows.h>
#include <shellapi.h>

#include "ui/DesktopWindow.h"
#include "ui/DropFlow.h"
#include "ui/ImageControl.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedDialog.h"

namespace korvel {

// The program's window: a skinned 210 x 100 window that takes a dropped WAV
// or AIFF file and hands it to the drop sequence (DropFlow), whose window it is.
// It has an About and a Power button and is dragged by its top strip.
class MainWindow : public SkinnedDialog, public DesktopWindow {
public:
    MainWindow();
    ~MainWindow() override;

    // Shows the window and handles its messages until Power, Escape or Power
    // in one of the dialogs closes it. Enter does nothing here.
    void runModal();

    void setAcceptDrops(bool on) override;
    void collapseAt(std::optional<ScreenPoint> point) override;
    void restoreAt(ScreenPoint point, bool redraw) override;
    DialogAnswer askSettings(const SoundCheck& sound) override;
    ScreenPoint showMessage(MessageKind kind, const std::string& text) override;
    void waitCursor(WaitCursor state) override;

protected:
    BOOL onInit() override;
    bool onCommand(int id) override;
    HICON dragIcon() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void onDropFiles(HDROP drop);
    void onAbout();
    void paintIcon();
    void close();

    HICON icon;
    DropFlow flow;
    ImageControl picture;
    SkinButton about, power;
    RECT remembered{};
    bool closing = false;
};

}  // namespace korvel
