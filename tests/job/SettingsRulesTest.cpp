#include "job/SettingsRules.h"

#include <gtest/gtest.h>

#include "tessal/ContentInfo.h"

namespace korvel {
namespace {

TEST(SettingsRules, RatesAndPermissions)
{
    struct Rate {
        int input;
        int defaultRate;
        bool highAllowed;
    };
    for (const Rate& row : {Rate{4000, 4000, false}, Rate{7999, 4000, false}, Rate{8000, 8000, true},
                            Rate{44100, 8000, true}}) {
        EXPECT_EQ(SettingsRules::defaultRate(row.input), row.defaultRate) << row.input;
        EXPECT_EQ(SettingsRules::rateAllowed(8000, row.input), row.highAllowed) << row.input;
        EXPECT_TRUE(SettingsRules::rateAllowed(4000, row.input)) << row.input;
        EXPECT_FALSE(SettingsRules::rateAllowed(11025, row.input)) << row.input;
    }
    EXPECT_EQ(SettingsRules::permissions(true, true), 0);
    EXPECT_EQ(SettingsRules::permissions(true, false), ContentInfo::kNoTransfer);
    // Transfer is never allowed without saving.
    EXPECT_EQ(SettingsRules::permissions(false, true), ContentInfo::kNoSave | ContentInfo::kNoTransfer);
    EXPECT_EQ(SettingsRules::permissions(false, false), ContentInfo::kNoSave | ContentInfo::kNoTransfer);
}

}  // namespace
}  // namespace korvel
