#include <gtest/gtest.h>

#include <climits>

#include "FrameNumbers.h"

namespace kelvista {
namespace {

struct StepCase {
    int32_t frame;
    int32_t maxFrames;
    int32_t next;
    int32_t prev;
};

class FrameStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(FrameStepTest, NextAndPrevFollowTheWrappingFormula) {
    const StepCase& c = GetParam();
    EXPECT_EQ(NextFrameNumber(c.frame, c.maxFrames), c.next);
    EXPECT_EQ(PrevFrameNumber(c.frame, c.maxFrames), c.prev);
}

INSTANTIATE_TEST_SUITE_P(WrapAround, FrameStepTest,
                         testing::Values(StepCase{999, 1000, 0, 998}, StepCase{0, 1000, 1, 999},
                                         StepCase{1500, 1000, 501, 499},
                                         StepCase{-5, 1000, 996, 994}, StepCase{7, 1, 0, 0},
                                         StepCase{9, 10, 0, 8}));

// The sum M + frame +/- 1 wraps in 32 bits before the truncating remainder is taken.
INSTANTIATE_TEST_SUITE_P(Overflow, FrameStepTest,
                         testing::Values(StepCase{INT_MAX, 1000, -648, -650},
                                         StepCase{INT_MIN, 1000, -647, -649},
                                         StepCase{INT_MAX, INT_MAX, -1, -3},
                                         StepCase{INT_MIN, INT_MAX, 0, -2}));

// A count of 0 or less means no wrap-around: one step either way, wrapping at the int32 limits.
INSTANTIATE_TEST_SUITE_P(NoPositiveCount, FrameStepTest,
                         testing::Values(StepCase{5, 0, 6, 4},
                                         StepCase{INT_MAX, -1, INT_MIN, INT_MAX - 1},
                                         StepCase{INT_MIN, INT_MIN, INT_MIN + 1, INT_MAX},
                                         StepCase{0, -1000, 1, -1}));

}  // namespace
}  // namespace kelvista
