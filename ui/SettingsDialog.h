#pragma once

#include <string>

#include "ui/DesktopWindow.h"
#include "ui/SettingsToggles.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedDialog.h"
#include "ui/TextFit.h"
#include "ui/ToggleButton.h"

namespace korvel {

struct SoundCheck;

// Asks for the title, the copyright text, the rate of the file and whether a
// handset may save and pass it on. It starts from the checked sound's
// default title, rate and text limit; the answer is read from it afterwards
// (see settings()).
class SettingsDialog : public SkinnedDialog {
public:
    explicit SettingsDialog(const SoundCheck& sound);

    // What OK or CANCEL left: accepted only after OK.
    DialogAnswer settings() const;

protected:
    BOOL onInit() override;
    bool onCommand(int id) override;
    void onPaint(HDC dc) override;

private:
    void showToggles();
    std::string readText(int id) const;

    std::string title;
    std::string copyright;
    int inputRate;
    int textLimit;
    SettingsToggles toggles;
    bool accepted = false;
    ToggleButton save, transfer, rate8k, rate4k;
    SkinButton clear, ok, cancel, power;
    TextFit texts;
};

}  // namespace korvel
