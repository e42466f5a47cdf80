#include "ui/SettingsToggles.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using T = SettingsToggles;

TEST(SettingsToggles, InitialStatesFollowTheInputRate)
{
    struct Row {
        int rate;
        int rate8k, rate4k, outRate;
    };
    const Row rows[] = {
        {44100, T::kOn, T::kOff, 8000}, {8000, T::kOn, T::kOff, 8000},      {7999, T::kDisabled, T::kOn, 4000},
        {4000, T::kDisabled, T::kOn, 4000}, {3999, T::kOff, T::kOff, 8000},
    };
    for (const Row& row : rows) {
        const T t(row.rate);
        EXPECT_EQ(t.state(T::save), T::kOn) << row.rate;
        EXPECT_EQ(t.state(T::transfer), T::kOn) << row.rate;
        EXPECT_EQ(t.state(T::rate8k), row.rate8k) << row.rate;
        EXPECT_EQ(t.state(T::rate4k), row.rate4k) << row.rate;
        EXPECT_EQ(t.outRate(), row.outRate) << row.rate;
        EXPECT_EQ(t.permissions(), 0) << row.rate;
    }
}

TEST(SettingsToggles, TransferIsNeverAllowedWithoutSaving)
{
    T t(44100);
    t.click(T::save);
    EXPECT_EQ(t.state(T::save), T::kOff);
    EXPECT_EQ(t.state(T::transfer), T::kOff);
    EXPECT_EQ(t.permissions(), 3);
    t.click(T::transfer);
    EXPECT_EQ(t.state(T::save), T::kOn);
    EXPECT_EQ(t.state(T::transfer), T::kOn);
    EXPECT_EQ(t.permissions(), 0);
    t.click(T::transfer);
    EXPECT_EQ(t.state(T::save), T::kOn);
    EXPECT_EQ(t.permissions(), 1);
    t.click(T::save);
    EXPECT_EQ(t.permissions(), 3);
    t.click(T::save);
    EXPECT_EQ(t.permissions(), 1);
}

TEST(SettingsToggles, RadioButtonsCannotBeSwitchedOffAndTheDisabledOneIgnoresClicks)
{
    T fast(44100);
    fast.click(T::rate8k);
    EXPECT_EQ(fast.state(T::rate8k), T::kOn);
    fast.click(T::rate4k);
    EXPECT_EQ(fast.state(T::rate4k), T::kOn);
    EXPECT_EQ(fast.state(T::rate8k), T::kOff);
    EXPECT_EQ(fast.outRate(), 4000);
    fast.click(T::rate4k);
    EXPECT_EQ(fast.outRate(), 4000);
    fast.click(T::rate8k);
    EXPECT_EQ(fast.outRate(), 8000);

    T slow(6000);
    slow.click(T::rate8k);
    EXPECT_EQ(slow.state(T::rate8k), T::kDisabled);
    EXPECT_EQ(slow.state(T::rate4k), T::kOn);
    EXPECT_EQ(slow.outRate(), 4000);
}

TEST(SettingsToggles, TitleStripEndsBeforeItsRightAndBottomEdges)
{
    EXPECT_TRUE(inTitleStrip(0, 0));
    EXPECT_TRUE(inTitleStrip(209, 19));
    EXPECT_FALSE(inTitleStrip(210, 5));
    EXPECT_FALSE(inTitleStrip(5, 20));
    EXPECT_FALSE(inTitleStrip(-1, 5));
}

}  // namespace
}  // namespace korvel
