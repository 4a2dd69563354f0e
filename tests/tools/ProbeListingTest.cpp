// ls and check judge screenshots by the header probe; check --deep decodes them. These tests hold
// the two to the same verdicts, and cover ls --json and what the help says about --deep.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>

#include "BmpBytes.h"
#include "DamagedTree.h"
#include "ReplayLayout.h"
#include "ReplayTree.h"
#include "RunTool.h"
#include "SettingsStore.h"
#include "TestPictures.h"

namespace kelvista::replaycli {
namespace {

using test::Bmp24;
using test::Bmp32;
using test::Lines;
using test::PatternPicture;
using test::RunInProcess;
using test::ToolRun;

std::vector<QJsonObject> JsonLines(const std::string& text) {
    std::vector<QJsonObject> objects;
    for (const std::string& line : Lines(text)) {
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
        objects.push_back(document.object());
    }
    return objects;
}

// Screenshots whose files end early, at every place a header or a row can be cut, next to whole
// ones: the probe learns from the file size what the loader learns by reading.
class CutScreenshots : public ::testing::Test {
protected:
    CutScreenshots() {
        const std::string rgb24 = Bmp24(PatternPicture(5, 4, 1));  // rows of 15 + 1 padding bytes
        const std::string rgb32 = Bmp32(PatternPicture(5, 4, 2));
        const std::vector<std::string> screenshots = {
            rgb24,
            rgb32,
            rgb24.substr(0, rgb24.size() - 1),   // the last row's padding missing
            rgb24.substr(0, rgb24.size() - 10),  // the last row short
            rgb24.substr(0, rgb24.size() - 16),  // one row missing
            rgb32.substr(0, rgb32.size() - 1),
            rgb32.substr(0, rgb32.size() - 20),
            rgb24.substr(0, 54),  // headers only
            rgb24.substr(0, 30),  // cut inside the info header
            rgb24.substr(0, 10),  // cut inside the file header
            rgb24 + std::string(100, 'x'),
        };
        for (size_t i = 0; i < screenshots.size(); ++i) {
            m_tree.writeFrame(0, static_cast<int32_t>(i), screenshots[i],
                              "Frame " + std::to_string(i));
        }
    }

    test::ReplayTree m_tree;
};

TEST_F(CutScreenshots, CheckGivesTheVerdictsOfCheckDeepLineForLine) {
    for (const QStringList& arguments :
         {QStringList{"check"}, QStringList{"check", "--json"}, QStringList{"check", "0"}}) {
        const ToolRun probed = RunInProcess(arguments);
        const ToolRun decoded = RunInProcess(QStringList(arguments) << "--deep");
        EXPECT_EQ(probed.out, decoded.out) << arguments.join(' ').toStdString();
        EXPECT_EQ(probed.code, decoded.code);
        EXPECT_EQ(probed.err, decoded.err);
    }
    // The cut files are found at all (a check that passed everything would agree too).
    const std::string out = RunInProcess({"check", "--deep"}).out;
    EXPECT_NE(out.find("[0.003] bad-screenshot: LoadBMP"), std::string::npos) << out;
    EXPECT_NE(out.find("[0.009] bad-screenshot: LoadBMP -1"), std::string::npos) << out;
    EXPECT_EQ(out.find("[0.000] bad-screenshot"), std::string::npos) << out;
    EXPECT_EQ(out.find("[0.010] bad-screenshot"), std::string::npos) << out;
}

TEST_F(CutScreenshots, LsStatesAndSizesAgreeWithTheLoader) {
    std::map<int, int> refusedWithCode;  // frame -> LoadBMP's code, from check --deep
    for (const QJsonObject& finding : JsonLines(RunInProcess({"check", "--json", "--deep"}).out)) {
        if (finding["kind"].toString() == "bad-screenshot") {
            refusedWithCode[finding["frame"].toInt()] = finding["code"].toInt();
        }
    }
    const std::vector<QJsonObject> frames = JsonLines(RunInProcess({"ls", "0", "--json"}).out);
    ASSERT_EQ(frames.size(), 11u);
    for (const QJsonObject& frame : frames) {
        const int number = frame["frame"].toInt();
        const bool refused = refusedWithCode.count(number) > 0;
        EXPECT_EQ(frame["state"].toString(), refused ? "bad-screenshot" : "present") << number;
        // The loader leaves a bitmap, and so a size, only when it accepts or refuses the depth.
        const bool sized = !refused || refusedWithCode[number] == -2;
        EXPECT_EQ(frame.contains("width"), sized) << number;
        if (!refused) {
            EXPECT_EQ(frame["width"].toInt(), 5) << number;
            EXPECT_EQ(frame["height"].toInt(), 4) << number;
        }
    }
}

TEST(DamagedTreeListing, LsJsonHasTheFieldsOfTheTextLines) {
    test::DamagedTree tree;
    const std::vector<QJsonObject> sessions = JsonLines(RunInProcess({"ls", "--json"}).out);
    ASSERT_EQ(sessions.size(), 2u);
    // session 0: 3 present, frames 0 to 10, 2 incomplete, 3 unreadable
    EXPECT_EQ(sessions[0], QJsonObject({{"session", 0},
                                        {"present", 3},
                                        {"first", 0},
                                        {"last", 10},
                                        {"incomplete", 2},
                                        {"unreadable", 3}}));
    EXPECT_EQ(sessions[1]["first"].toInt(), -1);
    EXPECT_EQ(sessions[1]["last"].toInt(), 13);

    const ToolRun run = RunInProcess({"ls", "0", "--json"});
    EXPECT_EQ(run.code, 0);
    const std::vector<QJsonObject> frames = JsonLines(run.out);
    ASSERT_EQ(frames.size(), Lines(RunInProcess({"ls", "0"}).out).size());
    EXPECT_EQ(frames[0], QJsonObject({{"session", 0},
                                      {"frame", 0},
                                      {"state", "present"},
                                      {"width", 5},
                                      {"height", 3},
                                      {"caption", "Hand 0"}}));
    EXPECT_EQ(frames[1]["caption"].toString(), QString::fromUtf8("Stra\xC3\x9F"
                                                                 "e 1"));
    // [0.003]  no-screenshot   -          Hand 3
    EXPECT_EQ(
        frames[3],
        QJsonObject(
            {{"session", 0}, {"frame", 3}, {"state", "no-screenshot"}, {"caption", "Hand 3"}}));
    EXPECT_EQ(frames[5]["state"].toString(), "bad-screenshot");
    EXPECT_EQ(frames[5]["width"].toInt(), 4);  // an 8-bit file the loader describes, then refuses
    EXPECT_EQ(frames.back()["caption"].toString(), "Hand 10");  // the tab as in the text
}

TEST(DamagedTreeListing, SessionWithoutPresentFramesHasNoFirstOrLast) {
    test::ReplayTree tree;
    tree.writeFrame(7, 4, "", "caption only");
    const std::vector<QJsonObject> sessions = JsonLines(RunInProcess({"ls", "--json"}).out);
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0],
              QJsonObject({{"session", 7}, {"present", 0}, {"incomplete", 1}, {"unreadable", 0}}));
}

// ls opens each frame's files by name in the open session folder and skips what the listing
// already calls a folder or a pipe; every verdict is still the viewer's, which opens full paths.
TEST(OddFiles, AreJudgedAsTheViewerJudgesThem) {
    test::ReplayTree tree;
    const std::string picture = Bmp24(PatternPicture(2, 2, 0));
    tree.writeFile("elsewhere/picture.bmp", picture);
    tree.writeFile("elsewhere/caption.htm", "Linked\r\n");
    tree.makeFolder("elsewhere/folder");
    ASSERT_EQ(::mkfifo(tree.path("elsewhere/pipe").c_str(), 0600), 0);
    const auto fifo = [&](int32_t frame, const char* extension) {
        tree.makeFolder("replay/session0");
        const std::string path = tree.path(test::ReplayTree::FrameName(0, frame, extension));
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    };
    const auto link = [&](int32_t frame, const char* extension, const std::string& target) {
        std::filesystem::create_symlink(
            tree.path(target), tree.path(test::ReplayTree::FrameName(0, frame, extension)));
    };
    tree.writeFrame(0, 0, picture, "");
    fifo(0, "htm");
    fifo(1, "bmp");
    tree.writeFrame(0, 1, "", "Pipe for a picture");
    link(2, "bmp", "elsewhere/picture.bmp");
    link(2, "htm", "elsewhere/caption.htm");
    link(3, "bmp", "elsewhere/gone.bmp");
    tree.writeFrame(0, 3, "", "Dangling");
    link(4, "bmp", "elsewhere/folder");
    tree.writeFrame(0, 4, "", "Folder link");
    tree.writeFrame(0, 5, picture, "");
    link(5, "htm", "elsewhere/pipe");
    tree.writeFrame(0, 6, picture, "");
    tree.makeFolder(test::ReplayTree::FrameName(0, 6, "htm"));

    const ToolRun ls = RunInProcess({"ls", "0"});
    EXPECT_EQ(Lines(ls.out), (std::vector<std::string>{
                                 "[0.000]  bad-caption     2x2",
                                 "[0.001]  bad-screenshot  -          Pipe for a picture",
                                 "[0.002]  present         2x2        Linked",
                                 "[0.003]  bad-screenshot  -          Dangling",
                                 "[0.004]  bad-screenshot  -          Folder link",
                                 "[0.005]  bad-caption     2x2",
                                 "[0.006]  bad-caption     2x2",
                             }));
    for (int32_t frame = 0; frame <= 6; ++frame) {
        EXPECT_EQ(FrameIsPresent(*FrameBasePath(0, frame)), frame == 2) << frame;
    }
    const std::string check = RunInProcess({"check"}).out;
    EXPECT_EQ(RunInProcess({"check", "--deep"}).out, check);
    EXPECT_NE(check.find("[0.001] bad-screenshot: LoadBMP -1, cannot be opened"), std::string::npos)
        << check;
}

// A tree under a root so long that some frame paths no longer fit the 259 bytes of the viewer's
// paths. The composition then leaves the relative name off and names the root's own ".bmp" and
// ".htm"; a stray pair of those must not stand in for any frame.
class LongRoot : public ::testing::Test {
protected:
    // InstallFolder becomes <tree>/<pad> with the pad chosen so that `relative` (which starts with
    // a separator) makes a path of exactly `length` bytes.
    std::string setRoot(const std::string& relative, size_t length) {
        m_pad = std::string(length - relative.size() - m_tree.root().size() - 1, 'r');
        m_tree.settings().setText(kInstallFolderSetting, m_tree.root() + "/" + m_pad);
        return m_tree.root() + "/" + m_pad;
    }
    void writeFrame(int32_t session, int32_t frame, const std::string& caption) {
        m_tree.writeFile(m_pad + "/" + test::ReplayTree::FrameName(session, frame, "bmp"),
                         Bmp24(PatternPicture(2, 2, 0)));
        m_tree.writeFile(m_pad + "/" + test::ReplayTree::FrameName(session, frame, "htm"),
                         caption + "\r\n");
    }
    void writeStrayPair() {
        m_tree.writeFile(m_pad + "/.bmp", Bmp24(PatternPicture(3, 3, 1)));
        m_tree.writeFile(m_pad + "/.htm", "stray\r\n");
    }

    test::ReplayTree m_tree;
    std::string m_pad;
};

TEST_F(LongRoot, FramesWhosePathsDoNotFitArePathTooLongNotTheStrayPair) {
    // Frame paths of 260 bytes: one too many.
    setRoot("/replay/session0/frame000", kPathCapacity);
    for (int32_t frame = 0; frame < 3; ++frame) {
        writeFrame(0, frame, "Frame " + std::to_string(frame));
    }
    writeStrayPair();

    const ToolRun check = RunInProcess({"check"});
    const std::string message =
        " path-too-long: its path has 260 bytes, more than the 259 the viewer's paths hold; the "
        "viewer cannot step onto it";
    EXPECT_EQ(Lines(check.out), (std::vector<std::string>{
                                    "[0.000]" + message, "[0.001]" + message, "[0.002]" + message,
                                    "checked 3 frames in 1 session: 3 findings "
                                    "(3 path-too-long)"}));
    EXPECT_EQ(check.code, 1);
    EXPECT_EQ(RunInProcess({"check", "--deep"}).out, check.out);
    EXPECT_EQ(RunInProcess({"check", "0"}).out, check.out);

    const std::vector<QJsonObject> json = JsonLines(RunInProcess({"check", "--json"}).out);
    ASSERT_EQ(json.size(), 4u);
    EXPECT_EQ(json[1], QJsonObject({{"kind", "path-too-long"},
                                    {"session", 0},
                                    {"frame", 1},
                                    {"message", QString::fromStdString(message.substr(16))}}));

    const ToolRun ls = RunInProcess({"ls", "0"});
    EXPECT_EQ(ls.out,
              "[0.000]  path-too-long   -\n[0.001]  path-too-long   -\n"
              "[0.002]  path-too-long   -\n");
    EXPECT_EQ(ls.code, 0);
    EXPECT_EQ(
        JsonLines(RunInProcess({"ls", "0", "--json"}).out)[0],
        QJsonObject({{"session", 0}, {"frame", 0}, {"state", "path-too-long"}, {"caption", ""}}));
    EXPECT_EQ(RunInProcess({"ls"}).out, "session 0: 0 present, 0 incomplete, 3 unreadable\n");

    const ToolRun frame = RunInProcess({"frame", "0.1"});
    EXPECT_EQ(frame.code, 1);
    EXPECT_EQ(Lines(frame.out), (std::vector<std::string>{"path: " + m_tree.root() + "/" + m_pad +
                                                              "/replay/session0/frame001",
                                                          "present: no"}));
    EXPECT_NE(frame.err.find("path too long (260 bytes"), std::string::npos) << frame.err;

    // Nor does export take the stray pair for a frame.
    const QTemporaryDir out;
    const QString folder = out.filePath("export");
    const ToolRun exportOne = RunInProcess({"export", "0.1", "--to", folder});
    EXPECT_EQ(exportOne.code, 1);
    EXPECT_EQ(exportOne.err, "kelvista-replay: export: [0.001] is not present: path-too-long\n");
    EXPECT_EQ(RunInProcess({"export", "0", "--to", folder}).code, 1);
    EXPECT_FALSE(QDir(folder).exists());
}

TEST_F(LongRoot, TheLimitFallsBetween259And260BytesWithinOneSession) {
    // frame999's path has 259 bytes and fits; frame1000's has 260 and does not. frame-99 is as
    // long as frame999, frame-100 as frame1000.
    setRoot("/replay/session0/frame999", kPathCapacity - 1);
    for (const int32_t frame : {-100, -99, 998, 999, 1000}) {
        writeFrame(0, frame, "Frame " + std::to_string(frame));
    }
    writeStrayPair();
    m_tree.settings().setDword(kMaxFramesSetting, 2000);
    EXPECT_EQ(Lines(RunInProcess({"ls", "0"}).out),
              (std::vector<std::string>{
                  "[0.-100]  path-too-long   -", "[0.-99]  present         2x2        Frame -99",
                  "[0.998]  present         2x2        Frame 998",
                  "[0.999]  present         2x2        Frame 999", "[0.1000]  path-too-long   -"}));
    const std::vector<std::string> check = Lines(RunInProcess({"check", "0"}).out);
    ASSERT_FALSE(check.empty());
    EXPECT_EQ(check.back(),
              "checked 5 frames in 1 session: 4 findings (1 gap, 1 beyond-wrap, "
              "2 path-too-long)");
    EXPECT_EQ(RunInProcess({"frame", "0.999"}).code, 0);
    EXPECT_EQ(RunInProcess({"frame", "0.1000"}).code, 1);
}

TEST_F(LongRoot, SessionFolderThatDoesNotFitIsListedAndItsFramesArePathTooLong) {
    // The replay folder fits; session folder 0 does not, so neither does any of its frames.
    const std::string root = setRoot("/replay/session0", kPathCapacity);
    writeFrame(0, 0, "Zero");
    writeFrame(0, 1, "One");
    writeStrayPair();
    const ToolRun check = RunInProcess({"check"});
    EXPECT_EQ(Lines(check.out).back(),
              "checked 2 frames in 1 session: 2 findings (2 path-too-long)");
    EXPECT_EQ(check.code, 1);
    EXPECT_EQ(RunInProcess({"ls"}).out, "session 0: 0 present, 0 incomplete, 2 unreadable\n");
    EXPECT_EQ(RunInProcess({"ls", "0"}).out,
              "[0.000]  path-too-long   -\n[0.001]  path-too-long   -\n");
    const ToolRun missing = RunInProcess({"ls", "1"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err,
              "kelvista-replay: ls: no session 1 (no folder " + root + "/replay/session1)\n");
}

TEST(ProbeHelp, SaysWhichVerdictsNeedDeepAndWhatTheViewerDoes) {
    const std::string check = RunInProcess({"check", "--help"}).out;
    EXPECT_NE(check.find("  --deep "), std::string::npos) << check;
    EXPECT_NE(check.find("pixel rows that cannot be read need --deep"), std::string::npos);
    EXPECT_NE(check.find("Every other verdict\nis the same with and without --deep"),
              std::string::npos);
    EXPECT_EQ(check.find("silently"), std::string::npos) << check;
    EXPECT_NE(check.find("TAB stops at the frame before it"), std::string::npos);
    EXPECT_NE(check.find("  path-too-long      a frame whose path"), std::string::npos) << check;

    const std::string ls = RunInProcess({"ls", "--help"}).out;
    EXPECT_NE(ls.find("  --json "), std::string::npos) << ls;
    EXPECT_NE(ls.find("'kelvista-replay check --deep'"), std::string::npos) << ls;
    EXPECT_NE(ls.find("path-too-long means"), std::string::npos) << ls;
}

}  // namespace
}  // namespace kelvista::replaycli
