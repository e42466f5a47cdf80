#include "dsp/ChannelSplitter.h"

#include <gtest/gtest.h>

#include "dsp/ChannelTap.h"
#include "tests/support/VectorSource.h"

namespace korvel {
namespace {

using test::VectorSource;

TEST(ChannelSplitter, TapsDescribeOneChannelAndServeTheSecondFromTheBuffer)
{
    VectorSource source({1, -1, 2, -2, 3, -3, 4, -4, 5, -5}, 2, 11025);
    ChannelSplitter splitter(&source);
    ChannelTap* left = splitter.tap(0);
    ChannelTap* right = splitter.tap(1);
    EXPECT_EQ(left->channels, 1);
    EXPECT_EQ(left->blockAlign, 2);
    EXPECT_EQ(left->frameCount, 5);
    EXPECT_EQ(left->dataBytes, 10);
    EXPECT_EQ(right->sampleRate, 11025);

    std::int16_t out[8] = {};
    ASSERT_EQ(left->read(out, 3), 3);
    EXPECT_EQ(out[2], 3);
    ASSERT_EQ(left->read(out, 3), 2);  // channel 0 runs ahead; the buffer keeps all
    EXPECT_EQ(out[1], 5);
    EXPECT_EQ(source.reads, 2);
    ASSERT_EQ(right->read(out, 8), 5);
    EXPECT_EQ(out[0], -1);
    EXPECT_EQ(out[4], -5);
    EXPECT_EQ(source.reads, 2);
    EXPECT_EQ(left->read(out, 3), 0);
    EXPECT_EQ(splitter.readChannel(out, 2, 1), -1);
}

}  // namespace
}  // namespace korvel
