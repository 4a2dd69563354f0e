#include <gtest/gtest.h>

#include <string>

#include <climits>
#include <cstring>
#include <regex>

#include "ViewTexts.h"

namespace kelvista {
namespace {

TEST(TitleText, CaptionFollowedBySpaceAndBracketedPosition) {
    EXPECT_EQ(TitleText("Hand 12", 3, 7), "Hand 12 [3.007]");
    EXPECT_EQ(TitleText("", 0, 1), " [0.001]");
    EXPECT_EQ(TitleText("abc ", 0, 1000), "abc  [0.1000]");
    EXPECT_EQ(TitleText("x", -2, -5), "x [-2.-05]");
    EXPECT_EQ(TitleText("", INT_MIN, INT_MIN), " [-2147483648.-2147483648]");
    // The caption's bytes pass unchanged, whatever code page they are in.
    EXPECT_EQ(TitleText("caf\xE9", 1, 2), "caf\xE9 [1.002]");
}

TEST(InfoText, IsTheTenLineScreen) {
    const char* const lines[] = {" STAMP",
                                 " [session.frame] : [0.000]",
                                 " max frames : 1000",
                                 " -------------------------------------",
                                 " TAB  Next Frame",
                                 " SHIFT-TAB  Prev Frame",
                                 " ESC  Stop",
                                 " F2  Goto [session.frame]",
                                 " F5  Refresh",
                                 " F10 Select MaxFrames"};
    std::string expected;
    for (const char* line : lines) {
        expected += std::string(line) + "\r\n";
    }
    EXPECT_EQ(InfoText("STAMP", 0, 0, 1000), expected);
}

TEST(InfoText, ShowsPositionAndStoredCountAsGiven) {
    const std::string text = InfoText("s", -3, 7, 0);
    EXPECT_NE(text.find(" [session.frame] : [-3.007]\r\n"), std::string::npos);
    EXPECT_NE(text.find(" max frames : 0\r\n"), std::string::npos);
}

TEST(BuildStamp, PutsTheYearFirst) {
    char stamp[64];
    EXPECT_STREQ(FormatBuildStamp("Apr  8 2006", "19:12:14", stamp, sizeof stamp),
                 "2006 Apr 8 19:12:14");
    EXPECT_STREQ(FormatBuildStamp("Dec 25 2026", "00:00:01", stamp, sizeof stamp),
                 "2026 Dec 25 00:00:01");
}

TEST(BuildStamp, IsCutToTheDestination) {
    char stamp[8];
    std::memset(stamp, 'x', sizeof stamp);
    FormatBuildStamp("Apr  8 2006", "19:12:14", stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "2006 Ap");
    char one[1] = {'x'};
    EXPECT_EQ(FormatBuildStamp("Apr  8 2006", "19:12:14", one, 1), one);
    EXPECT_EQ(one[0], '\0');
}

TEST(BuildStamp, OfThisBuildHasTheStampShape) {
    char stamp[64];
    BuildStamp(stamp, sizeof stamp);
    EXPECT_TRUE(
        std::regex_match(stamp, std::regex(R"(\d{4} [A-Z][a-z]{2} \d{1,2} \d\d:\d\d:\d\d)")))
        << stamp;
}

}  // namespace
}  // namespace kelvista
