#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "ValueScanner.h"

namespace kelvista {
namespace {

struct GotoCase {
    std::string text;
    int32_t session;  // expected, starting from session 1, frame 2
    int32_t frame;
    int stored;
};

class GotoScanTest : public testing::TestWithParam<GotoCase> {};

TEST_P(GotoScanTest, ScansLikePercentDPointPercentD) {
    const GotoCase& c = GetParam();
    int32_t session = 1;
    int32_t frame = 2;
    EXPECT_EQ(ScanSessionFrame(c.text, session, frame), c.stored);
    EXPECT_EQ(session, c.session);
    EXPECT_EQ(frame, c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GotoScanTest,
    testing::Values(GotoCase{"5", 5, 2, 1}, GotoCase{"7.", 7, 2, 1}, GotoCase{"letters", 1, 2, 0},
                    GotoCase{"3.007", 3, 7, 2}, GotoCase{" -2.5", -2, 5, 2},
                    GotoCase{"+4.-9", 4, -9, 2}, GotoCase{"\t\n8.9xyz", 8, 9, 2},
                    // The point is a literal: it must follow the first number directly, while
                    // the second number may follow white space.
                    GotoCase{"3 .7", 3, 2, 1}, GotoCase{"3. 7", 3, 7, 2}, GotoCase{".5", 1, 2, 0},
                    GotoCase{"0x10.3", 0, 2, 1}, GotoCase{"", 1, 2, 0}, GotoCase{"-", 1, 2, 0},
                    GotoCase{"-.5", 1, 2, 0}, GotoCase{"6.+", 6, 2, 1}));

// A number beyond 32 bits is consumed but not stored; scanning goes on after it.
INSTANTIATE_TEST_SUITE_P(Overflow, GotoScanTest,
                         testing::Values(GotoCase{"2147483647.-2147483648", INT_MAX, INT_MIN, 2},
                                         GotoCase{"2147483648.5", 1, 5, 1},
                                         GotoCase{"-2147483649.3", 1, 3, 1},
                                         GotoCase{"4.99999999999", 4, 2, 1},
                                         GotoCase{"99999999999999999999999999999999.1", 1, 1, 1}));

struct IntCase {
    std::string text;
    int32_t value;  // expected, starting from 500
};

class IntScanTest : public testing::TestWithParam<IntCase> {};

TEST_P(IntScanTest, ScansLikePercentD) {
    int32_t value = 500;
    ScanInt(GetParam().text, value);
    EXPECT_EQ(value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, IntScanTest,
                         testing::Values(IntCase{"20", 20}, IntCase{"  -7", -7},
                                         IntCase{"12abc", 12}, IntCase{"abc", 500},
                                         IntCase{"", 500}, IntCase{"+", 500}, IntCase{"1e3", 1},
                                         IntCase{"0010", 10}, IntCase{"99999999999", 500},
                                         IntCase{"-2147483648", INT_MIN},
                                         IntCase{"2147483648", 500}));

}  // namespace
}  // namespace kelvista
