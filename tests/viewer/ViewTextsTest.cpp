#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <regex>

#include "ViewTexts.h"

namespace kelvista {
namespace {

TEST(TitleText, CaptionFollowedBySpaceAndBracketedPosition) {
    EXPECT_EQ(TitleText(QStringLiteral("Hand 12"), 3, 7), QStringLiteral("Hand 12 [3.007]"));
    EXPECT_EQ(TitleText(QString(), 0, 1), QStringLiteral(" [0.001]"));
    EXPECT_EQ(TitleText(QStringLiteral("abc "), 0, 1000), QStringLiteral("abc  [0.1000]"));
    EXPECT_EQ(TitleText(QStringLiteral("x"), -2, -5), QStringLiteral("x [-2.-05]"));
    EXPECT_EQ(TitleText(QString(), INT_MIN, INT_MIN), QStringLiteral(" [-2147483648.-2147483648]"));
}

TEST(InfoText, IsTheTenLineScreen) {
    EXPECT_EQ(InfoText("STAMP", 0, 0, 1000),
              " STAMP\r\n"
              " [session.frame] : [0.000]\r\n"
              " max frames : 1000\r\n"
              " -------------------------------------\r\n"
              " TAB  Next Frame\r\n"
              " SHIFT-TAB  Prev Frame\r\n"
              " ESC  Stop\r\n"
              " F2  Goto [session.frame]\r\n"
              " F5  Refresh\r\n"
              " F10 Select MaxFrames\r\n");
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
