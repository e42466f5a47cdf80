#pragma once

#include <cstdint>

namespace korvel {

// The choices of a conversion that do not depend on who asks: the settings
// dialog of the desktop program and korvel-cli's options follow the same
// rules.
class SettingsRules {
public:
    // The two rates a Tessal file can have.
    static constexpr int kLowRate = 4000;
    static constexpr int kHighRate = 8000;

    // 8000 Hz for a sound of 8000 Hz or more, else 4000 Hz.
    static int defaultRate(int inputRate);
    // 4000 Hz can always be chosen, 8000 Hz only for a sound of 8000 Hz or
    // more; nothing else.
    static bool rateAllowed(int outRate, int inputRate);
    // The permission bits of the contents information (ContentInfo::kNoSave,
    // kNoTransfer): transfer is never allowed without saving.
    static std::uint8_t permissions(bool saveAllowed, bool transferAllowed);
};

}  // namespace korvel
