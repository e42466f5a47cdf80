#pragma once

#include <cstdint>

namespace korvel {

// The four toggles of the settings dialog and their rules: transfer is never
// allowed without saving, a radio button cannot be switched off by clicking
// it, and 8 kHz cannot be chosen for a sound below 8000 Hz. States are those
// of ToggleButton: 0 off, 1 on, 2 disabled.
class SettingsToggles {
public:
    enum Toggle { save, transfer, rate8k, rate4k };

    static constexpr int kOff = 0;
    static constexpr int kOn = 1;
    static constexpr int kDisabled = 2;

    // Save and transfer on; 8 kHz on from 8000 Hz up, else disabled with
    // 4 kHz on; below 4000 Hz both rates stay off.
    explicit SettingsToggles(int inputRate);

    // A click on a toggle; a click on a disabled or an already chosen radio
    // button changes nothing.
    void click(Toggle toggle);
    int state(Toggle toggle) const { return states[toggle]; }

    // 4000 when the 4 kHz button is on, else 8000.
    int outRate() const;
    // Bit value 2 when saving is off, bit value 1 when transfer is off: 0, 1 or 3.
    std::uint8_t permissions() const;

private:
    int states[4] = {kOff, kOff, kOff, kOff};
};

// The strip by which every window of the program is dragged: client
// coordinates from (0, 0) to (210, 20), right and bottom edges excluded.
constexpr bool inTitleStrip(int x, int y)
{
    return x >= 0 && x < 210 && y >= 0 && y < 20;
}

}  // namespace korvel
