#pragma once

#include <cstdint>
#include <vector>

#include "job/ConversionPlan.h"
#include "job/Refusal.h"
#include "job/SoundCheck.h"
#include "tessal/TextCoding.h"

namespace korvel {

// The choices of a conversion that do not depend on who asks: the settings
// dialog of the desktop program, the command line's options and the page's
// fields follow the same rules, and the core checks every plan by them.
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
    // The most bytes of a title or copyright, as the file stores them.
    static int textLimit();
    // True when the text fits a file (utf8ValueBytes).
    static bool textFits(const std::string& text, TextCoding coding);

    // Fills in the choices a plan for a checked sound has: its rates, the
    // default one, the longest part and the text limit.
    static void describe(SoundCheck& sound);
    // Why the plan cannot be carried out for the sound, or Refusal::none.
    static Refusal checkPlan(const ConversionPlan& plan, const SoundCheck& sound, TextCoding coding);
};

}  // namespace korvel
