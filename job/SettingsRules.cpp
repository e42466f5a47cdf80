#include "job/SettingsRules.h"

#include "tessal/ContentInfo.h"

namespace korvel {

int SettingsRules::defaultRate(int inputRate)
{
    return inputRate >= kHighRate ? kHighRate : kLowRate;
}

bool SettingsRules::rateAllowed(int outRate, int inputRate)
{
    return outRate == kLowRate || (outRate == kHighRate && inputRate >= kHighRate);
}

std::uint8_t SettingsRules::permissions(bool saveAllowed, bool transferAllowed)
{
    std::uint8_t bits = 0;
    if (!saveAllowed)
        bits |= ContentInfo::kNoSave;
    if (!saveAllowed || !transferAllowed)
        bits |= ContentInfo::kNoTransfer;
    return bits;
}

}  // namespace korvel
