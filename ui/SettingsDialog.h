#pragma once

#include <string>

#include "job/ConversionHost.h"
#include "ui/SettingsToggles.h"
#include "ui/SkinButton.h"
#include "ui/SkinnedDialog.h"
#include "ui/TextFit.h"
#include "ui/ToggleButton.h"

namespace korvel {

// Asks for the title, the copyright text, the rate of the file and whether a
// handset may save and pass it on. The main window sets the title (the base
// name of the dropped file) and the input rate before running it; the
// settings are read from it afterwards (see settings()).
class SettingsDialog : public SkinnedDialog {
public:
    SettingsDialog(std::string title, int inputRate);

    // What OK or CANCEL left: accepted only after OK.
    ConversionSettings settings() const;

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
    SettingsToggles toggles;
    bool accepted = false;
    ToggleButton save, transfer, rate8k, rate4k;
    SkinButton clear, ok, cancel, power;
    TextFit texts;
};

}  // namespace korvel
