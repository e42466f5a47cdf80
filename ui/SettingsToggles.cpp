#include "ui/SettingsToggles.h"

#include "job/SettingsRules.h"

namespace korvel {

SettingsToggles::SettingsToggles(int inputRate)
{
    states[save] = kOn;
    states[transfer] = kOn;
    // Below 4000 Hz no sound reaches the dialog; both rates stay off.
    if (inputRate < SettingsRules::kLowRate)
        return;
    const bool high = SettingsRules::defaultRate(inputRate) == SettingsRules::kHighRate;
    states[rate8k] = high ? kOn : SettingsRules::rateAllowed(SettingsRules::kHighRate, inputRate) ? kOff : kDisabled;
    states[rate4k] = high ? kOff : kOn;
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
    return states[rate4k] == kOn ? SettingsRules::kLowRate : SettingsRules::kHighRate;
}

std::uint8_t SettingsToggles::permissions() const
{
    return SettingsRules::permissions(states[save] == kOn, states[transfer] == kOn);
}

}  // namespace korvel
