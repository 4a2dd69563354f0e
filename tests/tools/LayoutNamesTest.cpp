#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "LayoutNames.h"
#include "Progress.h"

namespace kelvista::replaycli {
namespace {

struct NameCase {
    const char* name;
    std::optional<int32_t> number;
};

class SessionFolderName : public ::testing::TestWithParam<NameCase> {};

TEST_P(SessionFolderName, FollowsTheLayoutOnlyAsPrintedByPercentD) {
    EXPECT_EQ(ParseSessionFolderName(GetParam().name), GetParam().number) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, SessionFolderName,
    ::testing::Values(NameCase{"session0", 0}, NameCase{"session12", 12}, NameCase{"session-3", -3},
                      NameCase{"session2147483647", INT_MAX},
                      NameCase{"session-2147483648", INT_MIN}, NameCase{"session03", std::nullopt},
                      NameCase{"session-0", std::nullopt}, NameCase{"session+1", std::nullopt},
                      NameCase{"session", std::nullopt}, NameCase{"Session1", std::nullopt},
                      NameCase{"session1 ", std::nullopt},
                      NameCase{"session2147483648", std::nullopt},
                      NameCase{"session1.5", std::nullopt}));

struct FrameCase {
    const char* name;
    std::optional<int32_t> frame;
    FrameFileKind kind;
};

class FrameFileNames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameFileNames, FollowTheLayoutOnlyAsPrintedByPercent03d) {
    const std::optional<FrameFileName> parsed = ParseFrameFileName(GetParam().name);
    ASSERT_EQ(parsed.has_value(), GetParam().frame.has_value()) << GetParam().name;
    if (parsed) {
        EXPECT_EQ(parsed->frame, *GetParam().frame);
        EXPECT_EQ(parsed->kind, GetParam().kind);
    }
}

constexpr FrameFileKind kBmp = FrameFileKind::Screenshot;
constexpr FrameFileKind kHtm = FrameFileKind::Caption;

INSTANTIATE_TEST_SUITE_P(
    Names, FrameFileNames,
    ::testing::Values(FrameCase{"frame000.bmp", 0, kBmp}, FrameCase{"frame007.htm", 7, kHtm},
                      FrameCase{"frame1234.bmp", 1234, kBmp}, FrameCase{"frame-01.bmp", -1, kBmp},
                      FrameCase{"frame-12.htm", -12, kHtm}, FrameCase{"frame-123.bmp", -123, kBmp},
                      FrameCase{"frame07.bmp", std::nullopt, kBmp},
                      FrameCase{"frame0007.bmp", std::nullopt, kBmp},
                      FrameCase{"frame-1.bmp", std::nullopt, kBmp},
                      FrameCase{"frame-001.bmp", std::nullopt, kBmp},
                      FrameCase{"frame007.BMP", std::nullopt, kBmp},
                      FrameCase{"frame007.html", std::nullopt, kHtm},
                      FrameCase{"frame007.bmp.bak", std::nullopt, kBmp},
                      FrameCase{"frame.bmp", std::nullopt, kBmp},
                      FrameCase{"frame007", std::nullopt, kBmp},
                      FrameCase{"frame+07.bmp", std::nullopt, kBmp}));

TEST(PositionTextFormat, MatchesTheViewerTitle) {
    EXPECT_EQ(PositionText(3, 7), "[3.007]");
    EXPECT_EQ(PositionText(0, 1234), "[0.1234]");
    EXPECT_EQ(PositionText(-2, -1), "[-2.-01]");
}

TEST(ProgressBar, FillsInProportionAndFitsTheWidth) {
    EXPECT_EQ(ProgressBarText("check", 5, 10, 40), "check [#############.............] 5/10");
    EXPECT_EQ(ProgressBarText("ls", 0, 4, 20), "ls [..........] 0/4");
    EXPECT_EQ(ProgressBarText("ls", 4, 4, 20), "ls [##########] 4/4");
    EXPECT_EQ(ProgressBarText("export", 3, 7, 10), "export 3/7");  // too narrow for a bar
}

}  // namespace
}  // namespace kelvista::replaycli
