#include "dsp/HelperThread.h"

#include <new>
#include <vector>

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(HelperThread, RunsEachTaskWhileTheOwnerWorks)
{
    HelperThread helper;
    std::vector<int> theirs(1000);
    std::vector<int> mine(1000);
    for (int round = 0; round < 200; ++round) {
        ASSERT_TRUE(helper.start([&theirs, round] {
            for (int& v : theirs)
                v += round;
        }));
        for (int& v : mine)
            v += round;
        helper.wait();
    }
    EXPECT_EQ(theirs, mine);
    EXPECT_EQ(theirs[0], 199 * 200 / 2);
}

TEST(HelperThread, AnAllocationFailureComesBackToTheOwner)
{
    HelperThread helper;
    ASSERT_TRUE(helper.start([] { throw std::bad_alloc(); }));
    EXPECT_THROW(helper.wait(), std::bad_alloc);
    // The helper goes on with the next task.
    bool ran = false;
    ASSERT_TRUE(helper.start([&ran] { ran = true; }));
    EXPECT_NO_THROW(helper.wait());
    EXPECT_TRUE(ran);
}

TEST(HelperThread, GoesWithItsOwnerStartedOrNot)
{
    { HelperThread unused; }
    HelperThread used;
    ASSERT_TRUE(used.start([] {}));
    used.wait();
}

}  // namespace
}  // namespace korvel
