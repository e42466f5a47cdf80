#pragma once

#include <windows.h>
#include <shellapi.h>

#include <deque>
#include <string>
#include <vector>

#include "ui/DesktopWindow.h"
#include "ui/DropFlow.h"
#include "ui/ImageControl.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedDialog.h"

namespace korvel {

// The program's window: a skinned 210 x 100 window that takes a dropped WAV
// or AIFF file and hands it to the drop sequence (DropFlow), whose window it is.
// Files named on the command line, or handed over by a second start of the
// program (WM_COPYDATA), take the same sequence one after the other, as
// drops one after the other would.
// It has an About and a Power button and is dragged by its top strip.
class MainWindow : public SkinnedDialog, public DesktopWindow {
public:
    MainWindow();
    ~MainWindow() override;

    // Shows the window and handles its messages until Power, Escape or Power
    // in one of the dialogs closes it. Enter does nothing here.
    void runModal();
    // Converts the files, in order, once the window is shown and nothing
    // else is being converted.
    void takeFiles(const std::vector<std::string>& files);

    // WM_COPYDATA's tag of a block of UTF-16 file names, each ended by a
    // zero unit, from a second start of the program.
    static constexpr ULONG_PTR kOpenFiles = 0x4B564C46;  // "KVLF"

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
    bool onCopyData(const COPYDATASTRUCT& data);
    void convertNext();
    void onAbout();
    void paintIcon();
    void close();

    HICON icon;
    DropFlow flow;
    ImageControl picture;
    SkinButton about, power;
    RECT remembered{};
    bool closing = false;
    // Files waiting for their turn, and whether one is being converted.
    std::deque<std::string> waiting;
    bool converting = false;
};

}  // namespace korvel
