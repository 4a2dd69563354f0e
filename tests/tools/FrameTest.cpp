#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QImage>
#include <QTemporaryDir>

#include "BmpBytes.h"
#include "ReplayTree.h"
#include "RunTool.h"
#include "SettingsStore.h"
#include "TestPictures.h"

namespace kelvista::replaycli {
namespace {

using test::Lines;
using test::RunInProcess;
using test::ToolRun;

class FrameTest : public ::testing::Test {
protected:
    std::string base(const std::string& relative) const {
        return m_tree.root() + "/replay/" + relative;
    }
    void writeFrame(const std::string& relative, const std::string& bmp, const std::string& htm) {
        m_tree.writeFile("replay/" + relative + ".bmp", bmp);
        m_tree.writeFile("replay/" + relative + ".htm", htm);
    }
    std::vector<std::string> loadedLines(const std::string& relative,
                                         const std::string& caption) const {
        return {"path: " + base(relative),
                "present: yes",
                "caption: " + caption,
                "status: 0",
                "size: 3x2",
                "depth: 24"};
    }

    const std::string m_small = test::Bmp24(test::SmallPicture());
    test::ReplayTree m_tree;
};

// A present frame as the tool names, finds and prints it: the argument, the frame's files, and
// the caption line it prints.
struct PresentFrameRow {
    const char* name;
    std::vector<QStringList> arguments;  // each names the same frame
    const char* relative;                // its files under replay/, without extension
    std::string captionFile;
    std::string caption;  // as printed
};

TEST_F(FrameTest, PresentFramesShowPathCaptionAndPicture) {
    const std::vector<PresentFrameRow> rows = {
        {"html caption file",
         {{"3.7"}},
         "session3/frame007",
         "Hand 12\r\n<html><body>...</body></html>\r\n",
         "Hand 12"},
        {"negative numbers",
         {{"-2.-1"}, {"--", "-2.-1"}},
         "session-2/frame-01",
         "minus\n",
         "minus"},
        {"four digits",
         {{"0.1000"}, {"0.0001000"}},
         "session0/frame1000",
         "thousand\n",
         "thousand"},
        {"Windows-1252 caption",
         {{"1.1"}},
         "session1/frame001",
         "M\xFCller \x80\r\n",
         "M\xC3\xBCller \xE2\x82\xAC"},
        {"UTF-8 caption",
         {{"1.2"}},
         "session1/frame002",
         "M\xC3\xBCller \xE2\x82\xAC\r\n",
         "M\xC3\xBCller \xE2\x82\xAC"},
        // A lone CR stays in the line; it and the tab print as spaces.
        {"control characters", {{"1.3"}}, "session1/frame003", "Hand\r12\tend\n", "Hand 12 end"},
        // Separators and bidirectional controls would break or reorder the line.
        {"line and direction controls",
         {{"1.4"}},
         "session1/frame004",
         "a\xE2\x80\xA8"
         "b\xE2\x80\xAE"
         "c\xE2\x81\xA9\n",
         "a b c "},
    };
    for (const PresentFrameRow& row : rows) {
        writeFrame(row.relative, m_small, row.captionFile);
        for (const QStringList& arguments : row.arguments) {
            const ToolRun run = RunInProcess(QStringList{"frame"} + arguments);
            EXPECT_EQ(run.code, 0) << row.name << ": " << run.err;
            EXPECT_EQ(Lines(run.out), loadedLines(row.relative, row.caption)) << row.name;
            EXPECT_EQ(run.err, "") << row.name;
        }
    }
}

TEST_F(FrameTest, PresentFrameWritesItsPng) {
    writeFrame("session0/frame000", m_small, "");
    QTemporaryDir out;
    const QString png = out.filePath("frame.png");
    const ToolRun run = RunInProcess({"frame", "0.0", "--png", png});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Lines(run.out), loadedLines("session0/frame000", ""));
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(2, 1), 0xFF808080u);
}

TEST_F(FrameTest, AbsentFrameNeedsBothFiles) {
    m_tree.writeFile("replay/session1/frame001.bmp", m_small);
    m_tree.writeFile("replay/session1/frame002.htm", "caption only\n");
    m_tree.makeFolder("replay/session1/frame003.bmp");
    m_tree.writeFile("replay/session1/frame003.htm", "folder for a bitmap\n");
    for (const char* name : {"001", "002", "003", "004"}) {
        const ToolRun run = RunInProcess({"frame", QStringLiteral("1.") + name});
        EXPECT_EQ(run.code, 1) << name;
        EXPECT_EQ(Lines(run.out),
                  (std::vector<std::string>{"path: " + base(std::string("session1/frame") + name),
                                            "present: no"}));
        EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    }
}

TEST_F(FrameTest, UnloadableBitmapIsReportedAfterTheCaption) {
    writeFrame("session5/frame010", "not a bitmap", "Broken\r\n");
    const ToolRun run = RunInProcess({"frame", "5.10"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string>{"path: " + base("session5/frame010"), "present: yes",
                                        "caption: Broken", "status: -1"}));
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
}

TEST_F(FrameTest, RootWithBlanksAndCommasIsUsedAsWritten) {
    const std::string root = m_tree.root() + "/my replays, 2";
    m_tree.settings().setText(kInstallFolderSetting, root);
    m_tree.writeFile("my replays, 2/replay/session4/frame004.bmp", m_small);
    m_tree.writeFile("my replays, 2/replay/session4/frame004.htm", "Comma\n");
    const ToolRun run = RunInProcess({"frame", "4.4"});
    EXPECT_EQ(run.code, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "path: " + root + "/replay/session4/frame004");
    EXPECT_EQ(lines[2], "caption: Comma");
}

TEST_F(FrameTest, WithoutTheFolderSettingThePathStartsAtTheFileSystemRoot) {
    m_tree.settings().removeValue(kInstallFolderSetting);
    const ToolRun run = RunInProcess({"frame", "0.0"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string>{"path: /replay/session0/frame000", "present: no"}));
}

}  // namespace
}  // namespace kelvista::replaycli
