#include "ui/SettingsToggles.h"

namespace korvel {

SettingsToggles::SettingsToggles(int inputRate)
{
    states[save] = kOn;
    states[transfer] = kOn;
    if (inputRate >= 4000 && inputRate < 8000) {
        states[rate8k] = kDisabled;
        states[rate4k] = kOn;
    } else if (inputRate >= 8000) {
        states[rate8k] = kOn;
        states[rate4k] = kOff;
    }
}

void SettingsToggles::click(Toggle toggle)
{
    int& s = states[toggle];
    switch (toggle) {
    case save:
        if (s == kOff) {
            s = kOn;
        } else if (s == kOn) {
            s = kOff;
            if (states[transfer] == kOn)
                states[transfer] = kOff;
        }
        break;
    case transfer:
        if (s == kOff) {
            s = kOn;
            if (states[save] == kOff)
                states[save] = kOn;
        } else if (s == kOn) {
            s = kOff;
        }
        break;
    case rate4k:
        if (s == kOff) {
            s = kOn;
            states[rate8k] = kOff;
        }
        break;
    case rate8k:
        if (s == kOff) {
            s = kOn;
            states[rate4k] = kOff;
        }
        break;
    }
}

int SettingsToggles::outRate() const
{
    return states[rate4k] == kOn ? 4000 : 8000;
}

std::uint8_t SettingsToggles::permissions() const
{
    std::uint8_t bits = 0;
    if (states[save] == kOff)
        bits |= 2;
    if (states[transfer] == kOff)
        bits |= 1;
    return bits;
}

}  // namespace korvel
