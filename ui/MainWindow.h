#pragma once

#include <windows.h>
#include <shellapi.h>

#include "job/ConversionHost.h"
#include "job/ConversionJob.h"
#include "ui/ImageControl.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedDialog.h"

namespace korvel {

// The program's window: a skinned 210 x 100 window that takes a dropped WAV
// or AIFF file and hands it to the conversion job, for which it is the host.
// It has an About and a Power button and is dragged by its top strip.
class MainWindow : public SkinnedDialog, public ConversionHost {
public:
    MainWindow();
    ~MainWindow() override;

    // Shows the window and handles its messages until Power, Escape or Power
    // in one of the dialogs closes it. Enter does nothing here.
    void runModal();

    void setAcceptDrops(bool on) override;
    void collapseAt(std::optional<ScreenPoint> point) override;
    void restoreAt(ScreenPoint point, bool redraw) override;
    ConversionSettings askSettings(const std::string& baseName, int inputRate) override;
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
    ConversionJob job;
    ImageControl picture;
    SkinButton about, power;
    RECT remembered{};
    bool closing = false;
};

}  // namespace korvel
