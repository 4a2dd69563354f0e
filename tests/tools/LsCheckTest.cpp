#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "BmpBytes.h"
#include "DamagedTree.h"
#include "ReplayLayout.h"
#include "RunTool.h"
#include "TestPictures.h"
#include "inspect/Findings.h"

namespace kelvista::replaycli {
namespace {

using test::Lines;
using test::RunInProcess;
using test::ToolRun;

class DamagedTreeReport : public ::testing::Test {
protected:
    test::DamagedTree m_tree;
};

TEST_F(DamagedTreeReport, CheckReportsEveryKindOfFindingInTreeSessionAndFrameOrder) {
    const ToolRun run = RunInProcess({"check"});
    const std::vector<std::string> expected = {
        "replay/session03 bad-name: not a session folder name (session<N>)",
        "replay/session2 bad-name: named like a session but not a folder",
        "replay/stray.txt bad-name: not a session folder name (session<N>)",
        "[0.002] no-caption: screenshot without caption file; the viewer cannot step onto it",
        "[0.003] no-screenshot: caption file without screenshot",
        "[0.004] bad-caption: caption file cannot be opened; the viewer cannot step onto it",
        "[0.005] bad-screenshot: LoadBMP -2, source depth 8 bits; the viewer refuses it",
        "[0.006] bad-screenshot: LoadBMP -1, not readable as a bitmap; the viewer refuses it",
        "[0.007] gap: frames [0.007] to [0.009] are missing (3); TAB stops at [0.006], "
        "SHIFT+TAB at [0.010]",
        "replay/session0/frame07.bmp bad-name: not a frame file name (frame<NNN>.bmp/.htm)",
        "replay/session0/notes.txt bad-name: not a frame file name (frame<NNN>.bmp/.htm)",
        "replay/session0/sub bad-name: folder inside a session",
        "[1.-01] beyond-wrap: frame [1.-01] outside 0..11 (max frames 12): TAB and SHIFT+TAB "
        "never reach it, only F2",
        "[1.002] gap: frames [1.002] to [1.011] are missing (10); TAB stops at [1.001]",
        "[1.012] beyond-wrap: frames [1.012] to [1.013] outside 0..11 (max frames 12): TAB and "
        "SHIFT+TAB never reach them, only F2",
        "checked 13 frames in 2 sessions: 15 findings (6 bad-name, 2 gap, 2 beyond-wrap, "
        "1 no-caption, 1 no-screenshot, 1 bad-caption, 2 bad-screenshot)",
    };
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "");
}

TEST_F(DamagedTreeReport, CheckOfOneSessionLeavesOutTheOthersAndTheTreeNames) {
    const ToolRun run = RunInProcess({"check", "1"});
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("[1.-01] beyond-wrap:", 0), 0u);
    EXPECT_EQ(lines[3], "checked 5 frames in 1 session: 3 findings (1 gap, 2 beyond-wrap)");
    EXPECT_EQ(run.code, 1);
}

TEST_F(DamagedTreeReport, JsonLinesParseAndCarryTheFieldsOfEachKind) {
    const ToolRun run = RunInProcess({"check", "--json"});
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 16u);
    std::vector<QJsonObject> objects;
    for (const std::string& line : lines) {
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
        ASSERT_TRUE(document.isObject()) << line;
        objects.push_back(document.object());
    }
    EXPECT_EQ(objects[0]["kind"].toString(), "bad-name");
    EXPECT_EQ(objects[0]["path"].toString(), "replay/session03");

    const QJsonObject& refused = objects[6];
    EXPECT_EQ(refused["kind"].toString(), "bad-screenshot");
    EXPECT_EQ(refused["session"].toInt(), 0);
    EXPECT_EQ(refused["frame"].toInt(), 5);
    EXPECT_EQ(refused["code"].toInt(), -2);
    EXPECT_EQ(refused["depth"].toInt(), 8);
    EXPECT_FALSE(objects[7].contains("depth"));  // no bitmap at all: depth unknown

    const QJsonObject& gap = objects[13];
    EXPECT_EQ(gap["kind"].toString(), "gap");
    EXPECT_EQ(gap["frame"].toInt(), 2);
    EXPECT_EQ(gap["last"].toInt(), 11);
    EXPECT_EQ(gap["count"].toInt(), 10);

    const QJsonObject& summary = objects.back();
    EXPECT_EQ(summary["kind"].toString(), "summary");
    EXPECT_EQ(summary["sessions"].toInt(), 2);
    EXPECT_EQ(summary["frames"].toInt(), 13);
    EXPECT_EQ(summary["findings"].toInt(), 15);
    EXPECT_EQ(run.code, 1);
}

// The gap message names a frame as a stop only when TAB or SHIFT+TAB really stop there with the
// wrap-around count: frames outside 0 .. max frames - 1 are never stepped onto, and TAB from the
// last frame inside wraps to 0.
TEST(GapMessages, NameOnlyTheStopsThatSteppingReaches) {
    struct Case {
        int32_t before;
        int32_t after;
        int32_t maxFrames;
        const char* stops;
    };
    const Case cases[] = {
        {6, 10, 12, "; TAB stops at [0.006], SHIFT+TAB at [0.010]"},
        {0, 3, 12, "; TAB stops at [0.000], SHIFT+TAB at [0.003]"},
        {9, 11, 12, "; TAB stops at [0.009], SHIFT+TAB at [0.011]"},  // the last inside the wrap
        {1, 12, 12, "; TAB stops at [0.001]"},                        // after: the first beyond
        {10, 15, 12, "; TAB stops at [0.010]"},
        {-1, 2, 12, "; SHIFT+TAB stops at [0.002]"},  // frame 0 missing; -1 only F2 reaches
        {11, 14, 12, "; outside 0..11, TAB and SHIFT+TAB never step there"},  // TAB wraps to 0
        {12, 15, 12, "; outside 0..11, TAB and SHIFT+TAB never step there"},
        {-3, 0, 12, "; outside 0..11, TAB and SHIFT+TAB never step there"},
        {0, 2, 1, "; outside 0..0, TAB and SHIFT+TAB never step there"},  // a wrap of 1
        {-1, 1, 1, "; TAB and SHIFT+TAB find no frame in 0..0"},
        {-2, 12, 12, "; TAB and SHIFT+TAB find no frame in 0..11"},
        {5, 9, 0, "; TAB stops at [0.005], SHIFT+TAB at [0.009]"},  // no wrap at all
        {-5, -2, 0, "; TAB stops at [0.-05], SHIFT+TAB at [0.-02]"},
    };
    for (const Case& c : cases) {
        SessionScan scan;
        scan.frames.resize(2);
        scan.frames[0].frame = c.before;
        scan.frames[1].frame = c.after;
        std::vector<FrameReport> reports(2);
        for (size_t i = 0; i < 2; ++i) {
            reports[i].frame = scan.frames[i].frame;
            reports[i].screenshotListed = reports[i].captionListed = true;
            reports[i].screenshotOpens = reports[i].captionOpens = reports[i].decodeTried = true;
        }
        std::vector<std::string> gaps;
        for (const Finding& finding : SessionFindings(scan, reports, c.maxFrames)) {
            if (finding.kind == FindingKind::Gap) {
                gaps.push_back(finding.message);
            }
        }
        ASSERT_EQ(gaps.size(), 1u) << c.before << " " << c.after;
        const std::string missing = "frames " + PositionText(0, c.before + 1) + " to " +
                                    PositionText(0, c.after - 1) + " are missing (" +
                                    std::to_string(c.after - c.before - 1) + ")";
        EXPECT_EQ(gaps[0], missing + c.stops)
            << c.before << " " << c.after << " max frames " << c.maxFrames;
    }
}

TEST_F(DamagedTreeReport, LsCountsPresentIncompleteAndUnreadableFramesPerSession) {
    const ToolRun run = RunInProcess({"ls"});
    const std::vector<std::string> expected = {
        "session 0: 3 present, frames 0 to 10, 2 incomplete, 3 unreadable",
        "session 1: 5 present, frames -1 to 13, 0 incomplete, 0 unreadable",
    };
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(run.code, 0);
}

TEST_F(DamagedTreeReport, LsOfASessionListsEveryFrameOnDiskWithStateSizeAndCaption) {
    const ToolRun run = RunInProcess({"ls", "0"});
    const std::vector<std::string> expected = {
        "[0.000]  present         5x3        Hand 0",
        "[0.001]  present         3x2        Stra\xC3\x9F"
        "e 1",
        "[0.002]  no-caption      4x4",
        "[0.003]  no-screenshot   -          Hand 3",
        "[0.004]  bad-caption     2x2",
        "[0.005]  bad-screenshot  4x2        Hand 5",
        "[0.006]  bad-screenshot  -          Hand 6",
        "[0.010]  present         7x5        Hand 10",
    };
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(run.code, 0);
}

TEST_F(DamagedTreeReport, LsSessionsPrintsTheSessionNumbersAloneInNumericOrder) {
    m_tree.makeFolder("replay/session-2");
    m_tree.makeFolder("replay/session10");
    const ToolRun run = RunInProcess({"ls", "--sessions"});
    EXPECT_EQ(run.out, "-2\n0\n1\n10\n");  // not session03, nor the file session2
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.code, 0);

    const ToolRun withSession = RunInProcess({"ls", "--sessions", "0"});
    EXPECT_EQ(withSession.code, 2);
    EXPECT_EQ(withSession.out, "");
    EXPECT_EQ(withSession.err, "kelvista-replay: ls: --sessions takes no SESSION\n");
}

// A session folder the user cannot list, between two readable ones: ls lists the others, says
// which one it could not read and why, and exits 1; check reports it as a finding.
TEST(UnreadableSession, LsAndCheckSayWhyAndExitOne) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    test::ReplayTree tree;
    const std::string picture = test::Bmp24(test::PatternPicture(3, 3, 0));
    for (const int32_t session : {1, 2, 3}) {
        tree.writeFrame(session, 0, picture, "a");
    }
    const std::filesystem::path locked = tree.path("replay/session2");
    std::filesystem::permissions(locked, std::filesystem::perms::none);

    const ToolRun ls = RunInProcess({"ls"});
    EXPECT_EQ(Lines(ls.out), (std::vector<std::string>{
                                 "session 1: 1 present, frames 0 to 0, 0 incomplete, 0 unreadable",
                                 "session 2: cannot read the folder: Permission denied",
                                 "session 3: 1 present, frames 0 to 0, 0 incomplete, 0 unreadable",
                             }));
    EXPECT_EQ(ls.code, 1);
    EXPECT_EQ(ls.err, "");

    const ToolRun json = RunInProcess({"ls", "--json"});
    const std::vector<std::string> lines = Lines(json.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], R"({"error":"Permission denied","readable":false,"session":2})");
    EXPECT_EQ(json.code, 1);

    const ToolRun named = RunInProcess({"ls", "2"});
    EXPECT_EQ(named.out, "");
    EXPECT_EQ(named.err,
              "kelvista-replay: ls: cannot read " + locked.string() + ": Permission denied\n");
    EXPECT_EQ(named.code, 1);

    const ToolRun check = RunInProcess({"check"});
    EXPECT_EQ(Lines(check.out),
              (std::vector<std::string>{"replay/session2 unreadable-folder: cannot list the "
                                        "session folder: Permission denied",
                                        "checked 2 frames in 3 sessions: 1 finding "
                                        "(1 unreadable-folder)"}));
    EXPECT_EQ(check.code, 1);
    const ToolRun checkNamed = RunInProcess({"check", "2"});
    EXPECT_EQ(checkNamed.err,
              "kelvista-replay: check: cannot read " + locked.string() + ": Permission denied\n");
    EXPECT_EQ(checkNamed.code, 1);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

TEST(LsSessions, WithoutAReplayFolderPrintsNothingAndFailsAsLsDoes) {
    test::ReplayTree tree;
    QDir(QString::fromStdString(tree.root())).rmdir("replay");
    const ToolRun run = RunInProcess({"ls", "--sessions"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, RunInProcess({"ls"}).err);
    EXPECT_EQ(run.err, "kelvista-replay: ls: no replay folder at " + tree.root() + "/replay\n");
}

TEST(LsSessions, IsLeftOutOfEveryHelp) {
    EXPECT_EQ(RunInProcess({"--help"}).out.find("--sessions"), std::string::npos);
    EXPECT_EQ(RunInProcess({"ls", "--help"}).out.find("--sessions"), std::string::npos);
}

TEST(CleanTree, CheckSaysCleanAndExitsZero) {
    test::ReplayTree tree;
    tree.writeFrame(4, 0, test::Bmp24(test::PatternPicture(3, 3, 0)), "a");
    tree.writeFrame(4, 1, test::Bmp32(test::PatternPicture(3, 3, 1)), "b");
    const ToolRun run = RunInProcess({"check"});
    EXPECT_EQ(run.out, "checked 2 frames in 1 session: clean\n");
    EXPECT_EQ(run.code, 0);
}

TEST(CleanTree, NegativeSessionNumbersAreArgumentsNotOptions) {
    test::ReplayTree tree;
    tree.writeFrame(-2, 0, test::Bmp24(test::PatternPicture(3, 3, 0)), "a");
    const ToolRun run = RunInProcess({"ls", "-2"});
    EXPECT_EQ(run.out, "[-2.000]  present         3x3        a\n");
    EXPECT_EQ(run.code, 0);
}

}  // namespace
}  // namespace kelvista::replaycli
