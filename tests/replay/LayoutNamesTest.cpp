#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>

#include "MemorySettingsSource.h"
#include "ReplayLayout.h"

namespace kelvista {
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

TEST(SessionFrameText, ReadsTwoInt32JoinedByOnePoint) {
    struct Valid {
        const char* text;
        int32_t session;
        int32_t frame;
    };
    for (const Valid& c :
         {Valid{"3.7", 3, 7}, Valid{"0.0", 0, 0}, Valid{"-2.-1", -2, -1}, Valid{"003.007", 3, 7},
          Valid{"2147483647.-2147483648", INT32_MAX, INT32_MIN}}) {
        int32_t session = 99;
        int32_t frame = 99;
        EXPECT_TRUE(ParseSessionFrame(c.text, session, frame)) << c.text;
        EXPECT_EQ(session, c.session) << c.text;
        EXPECT_EQ(frame, c.frame) << c.text;
    }
    for (const char* invalid : {"", ".", "3", "3.", ".7", "3.7.", "3..7", "+3.7", "3.+7", " 3.7",
                                "3.7 ", "3,7", "--3.7", "3.0x7", "2147483648.0", "0.-2147483649"}) {
        int32_t session = 99;
        int32_t frame = 98;
        EXPECT_FALSE(ParseSessionFrame(invalid, session, frame)) << invalid;
        EXPECT_EQ(session, 99);
        EXPECT_EQ(frame, 98);
    }
}

TEST(SessionFrameText, ASessionAloneLeavesTheFrameEmpty) {
    const struct {
        const char* text;
        bool valid;
        int32_t session;
        std::optional<int32_t> frame;
    } cases[] = {
        {"3", true, 3, std::nullopt},
        {"3.7", true, 3, 7},
        {"3.007", true, 3, 7},
        {"-2.-5", true, -2, -5},
        {"12.047", true, 12, 47},
        {"3.", false, 0, {}},
        {".7", false, 0, {}},
        {"3.7.1", false, 0, {}},
        {"a", false, 0, {}},
        {"3,7", false, 0, {}},
        {"", false, 0, {}},
        {"3.7x", false, 0, {}},
        {"99999999999", false, 0, {}},
        {"1.99999999999", false, 0, {}},
    };
    for (const auto& c : cases) {
        int32_t session = 0;
        std::optional<int32_t> frame = 5;
        ASSERT_EQ(ParseSessionOrSessionFrame(c.text, session, frame), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(session, c.session) << c.text;
            EXPECT_EQ(frame, c.frame) << c.text;
        } else {
            EXPECT_EQ(session, 0) << c.text;
            EXPECT_EQ(frame, 5) << c.text;
        }
    }
}

// A path written with '/' as this platform spells it.
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', kPathSeparator);
    return path;
}

TEST(SessionFolders, AreComposedLikeFramePathsAndEmptyWhenTheyDoNotFit) {
    const auto settings = std::make_shared<MemorySettingsSource>();
    const ScopedUserSettings scope(settings);
    settings->setText(kInstallFolderSetting, Native("/R"));
    EXPECT_EQ(ReplayFolder(), Native("/R/replay"));
    EXPECT_EQ(SessionRelativeFolder(-3), Native("replay/session-3"));
    EXPECT_EQ(SessionFolder(-3), Native("/R/replay/session-3"));
    EXPECT_EQ(FrameBasePath(-3, 7), SessionFolder(-3) + Native("/frame007"));

    // Room for "replay" but not for "replay/session12": never the root in the session's place.
    const std::string root(kPathCapacity - 1 - 1 - std::string("replay/session1").size(), 'r');
    settings->setText(kInstallFolderSetting, root);
    EXPECT_EQ(ReplayFolder(), root + Native("/replay"));
    EXPECT_EQ(SessionFolder(1), root + Native("/replay/session1"));
    EXPECT_EQ(SessionFolder(12), "");

    // A root that fills the whole capacity and happens to end in the folder's own name is still
    // not that folder: nothing was appended to it.
    const std::string endsInReplay = std::string(kPathCapacity - 1 - 7, 'r') + Native("/replay");
    settings->setText(kInstallFolderSetting, endsInReplay);
    EXPECT_EQ(ReplayFolder(), "");
    EXPECT_EQ(FullReplayPath("replay"), endsInReplay + Native("/replay"));
}

}  // namespace
}  // namespace kelvista
