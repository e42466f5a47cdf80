#include "job/SettingsRules.h"

#include <cmath>

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

// Every plan is checked against the sound before anything is read for it.
TEST(SettingsRules, PlansThatBreakARuleAreRefused)
{
    SoundCheck slow;
    slow.sampleRate = 4000;
    slow.defaultTitle = "tone";
    SettingsRules::describe(slow);
    EXPECT_EQ(slow.rates, (std::vector<int>{4000}));
    EXPECT_EQ(slow.defaultRate, 4000);
    EXPECT_DOUBLE_EQ(slow.longestPart, 66.04);
    EXPECT_EQ(slow.textLimit, ContentInfo::kMaxTextBytes);
    SoundCheck fast = slow;
    fast.sampleRate = 44100;
    SettingsRules::describe(fast);
    EXPECT_EQ(fast.rates, (std::vector<int>{4000, 8000}));
    EXPECT_DOUBLE_EQ(fast.longestPart, 66.04);

    struct Row {
        const char* what;
        void (*change)(ConversionPlan&);
        Refusal refusal;
    };
    const Row rows[] = {
        {"the defaults", [](ConversionPlan&) {}, Refusal::none},
        {"4000 Hz", [](ConversionPlan& p) { p.rate = 4000; }, Refusal::none},
        {"8000 Hz of a 4000 Hz sound", [](ConversionPlan& p) { p.rate = 8000; }, Refusal::rateNotAllowed},
        {"11025 Hz", [](ConversionPlan& p) { p.rate = 11025; }, Refusal::rateNotAllowed},
        {"a title of 256 bytes", [](ConversionPlan& p) { p.title = std::string(256, 't'); }, Refusal::none},
        {"a title of 257 bytes", [](ConversionPlan& p) { p.title = std::string(257, 't'); }, Refusal::titleTooLong},
        {"128 commas, stored as 256 bytes", [](ConversionPlan& p) { p.copyright = std::string(128, ','); },
         Refusal::none},
        {"129 commas", [](ConversionPlan& p) { p.copyright = std::string(129, ','); }, Refusal::copyrightTooLong},
        {"a long title, cut", [](ConversionPlan& p) { p.title = std::string(300, 't'), p.longTexts = LongText::cut; },
         Refusal::none},
        {"a NaN start", [](ConversionPlan& p) { p.part.start = std::nan(""); }, Refusal::partNotANumber},
        {"a negative length", [](ConversionPlan& p) { p.part.length = -1; }, Refusal::partNotANumber},
        {"a NaN gain", [](ConversionPlan& p) { p.part.gainDb = std::nan(""); }, Refusal::partNotANumber},
        {"a date", [](ConversionPlan& p) { p.date = "20261209"; }, Refusal::none},
        {"a date of seven digits", [](ConversionPlan& p) { p.date = "2026129"; }, Refusal::dateNotADate},
    };
    for (const Row& row : rows) {
        ConversionPlan plan;
        row.change(plan);
        EXPECT_EQ(SettingsRules::checkPlan(plan, slow, TextCoding::utf8), row.refusal) << row.what;
    }
    // Without a title the default one is the title, and must be text.
    SoundCheck unreadable = slow;
    unreadable.defaultTitle.assign(1, '\xFF');
    EXPECT_EQ(SettingsRules::checkPlan(ConversionPlan{}, unreadable, TextCoding::utf8), Refusal::titleUnreadable);
}

}  // namespace
}  // namespace korvel
