#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "BmpBytes.h"
#include "ReplayTree.h"
#include "RunTool.h"
#include "SettingsStore.h"
#include "TestPictures.h"
#include "cli/Command.h"
#include "cli/PathText.h"

namespace kelvista::replaycli {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::RunInProcess;
using test::ToolRun;
using test::UnescapedName;

// File names that break a line, a terminal or UTF-8, and how check prints each.
const std::vector<std::pair<std::string, std::string>> kStrayNames = {
    {"replay/session0/back\\slash", "replay/session0/back\\\\slash"},
    {"replay/session0/latin\xE9\xFF", "replay/session0/latin\\xe9\\xff"},
    {"replay/session0/stray\nline", "replay/session0/stray\\nline"},
    {"replay/session0/tab\there\x1B[0m", "replay/session0/tab\\there\\x1b[0m"},
    {"replay/session\r9", "replay/session\\r9"},
};

class NamesInOutputTest : public ::testing::Test {
protected:
    NamesInOutputTest() {
        m_tree.writeFrame(0, 0, test::Bmp24(test::SmallPicture()), "Hand 0\n");
        for (const auto& [name, printed] : kStrayNames) {
            m_tree.writeFile(name, "x");
        }
    }

    test::ReplayTree m_tree;
};

TEST_F(NamesInOutputTest, CheckPrintsEachNameEscapedOnItsOwnLine) {
    const ToolRun run = RunInProcess({"check"});
    std::vector<std::string> expected;
    expected.push_back(kStrayNames.back().second +
                       " bad-name: not a session folder name (session<N>)");
    for (size_t i = 0; i + 1 < kStrayNames.size(); ++i) {
        expected.push_back(kStrayNames[i].second +
                           " bad-name: not a frame file name (frame<NNN>.bmp/.htm)");
    }
    expected.push_back("checked 1 frame in 1 session: 5 findings (5 bad-name)");
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(run.code, 1);
}

TEST_F(NamesInOutputTest, CheckJsonParsesAndGivesBackEachNamesBytes) {
    const ToolRun run = RunInProcess({"check", "--json"});
    std::vector<std::string> paths;
    for (const std::string& line : Lines(run.out)) {
        QJsonParseError error;
        const QJsonObject object =
            QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
        if (object["kind"] == QStringLiteral("bad-name")) {
            paths.push_back(UnescapedName(object["path"].toString().toStdString()));
        }
    }
    std::vector<std::string> expected = {kStrayNames.back().first};
    for (size_t i = 0; i + 1 < kStrayNames.size(); ++i) {
        expected.push_back(kStrayNames[i].first);
    }
    EXPECT_EQ(paths, expected);
}

TEST_F(NamesInOutputTest, MessagesQuoteArgumentsAndPathsEscapedOnOneLine) {
    const std::string root = m_tree.root() + "/odd\n\\root\xFF";
    m_tree.settings().setText(kInstallFolderSetting, root);
    for (const QStringList& arguments :
         {QStringList{"ls"}, QStringList{"check", "0"}, QStringList{"frame", "0.0"}}) {
        const ToolRun run = RunInProcess(arguments);
        ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
        EXPECT_NE(run.err.find(EscapedName(root)), std::string::npos) << run.err;
    }
    // frame prints the path it composed on stdout, escaped the same way.
    EXPECT_EQ(Lines(RunInProcess({"frame", "0.0"}).out).front(),
              "path: " + EscapedName(root) + "/replay/session0/frame000");

    const std::vector<std::pair<QStringList, std::string>> usage = {
        {{ArgumentText("bo\ngus\xFF")}, "kelvista-replay: unknown command 'bo\\ngus\\xff'"},
        {{"ls", ArgumentText("3\x1B")}, "kelvista-replay: ls: '3\\x1b' is not a session number"},
        {{"frame", ArgumentText("1\\.2")}, "kelvista-replay: frame: '1\\\\.2' is not SESSION"},
        {{"check", "0", ArgumentText("x\r\\\xFF")},
         "kelvista-replay: check: unexpected argument 'x\\r\\\\\\xff'"},
        {{"ls", ArgumentText("--a\nb")}, "kelvista-replay: ls: Unknown option 'a\\nb'"},
    };
    for (const auto& [arguments, start] : usage) {
        const ToolRun run = RunInProcess(arguments);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.err.rfind(start, 0), 0u) << run.err;
        EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    }
}

TEST(CommandStreamsReport, KeepsAnyMessageOnOneLineOfUtf8) {
    std::ostringstream out;
    std::ostringstream err;
    const CommandStreams io{out, err};
    EXPECT_EQ(io.report({1, "cannot read a\\b\nc\xFF\r"}), 1);
    EXPECT_EQ(err.str(), "kelvista-replay: cannot read a\\b\\nc\\xff\\r\n");
}

class ArgumentBytesTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_dir.path().toStdString() + name; }

    QTemporaryDir m_dir;
};

TEST_F(ArgumentBytesTest, DecodeReadsAFileUnderExactlyTheBytesGivenAndNamesItSo) {
    const std::string folder = path("/in\xFF\n");
    const std::string screenshot = folder + "/shot\xE9\x01.bmp";
    fs::create_directory(folder);
    std::ofstream(screenshot, std::ios::binary) << test::Bmp24(test::SmallPicture());
    const ToolRun run = RunInProcess({"decode", ArgumentText(screenshot)});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, "status: 0\nsize: 3x2\ndepth: 24\n");

    const std::string missing = folder + "/gone\xFF.bmp";
    const ToolRun refused = RunInProcess({"decode", ArgumentText(missing)});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err.rfind("kelvista-replay: " + EscapedName(missing) + ": not loaded", 0), 0u)
        << refused.err;
}

TEST_F(ArgumentBytesTest, DecodeWritesThePngUnderExactlyTheBytesGiven) {
    const std::string screenshot = path("/small.bmp");
    std::ofstream(screenshot, std::ios::binary) << test::Bmp24(test::SmallPicture());
    const std::string out = path("/out\xFE");
    fs::create_directory(out);
    const std::string png = out + "/copy\xFC\\.png";
    const ToolRun run =
        RunInProcess({"decode", ArgumentText(screenshot), "--png", ArgumentText(png)});
    EXPECT_EQ(run.code, 0) << run.err;
    std::vector<std::string> written;
    for (const fs::directory_entry& entry : fs::directory_iterator(out)) {
        written.push_back(entry.path().string());
    }
    EXPECT_EQ(written, std::vector<std::string>{png});
}

TEST_F(ArgumentBytesTest, APngThatCannotBeCompletedLeavesNothingBehind) {
    const std::string screenshot = path("/large.bmp");
    std::ofstream(screenshot, std::ios::binary) << test::Bmp24(test::PatternPicture(300, 200, 1));
    const std::string out = path("/out\xFE");
    fs::create_directory(out);
    // A file size limit stands in for a full disk: the PNG's writes fail part way.
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const auto restoreSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const ToolRun run =
        RunInProcess({"decode", ArgumentText(screenshot), "--png", ArgumentText(out + "/big.png")});
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, restoreSignal);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "kelvista-replay: decode: cannot write " + EscapedName(out) +
                           "/big.png: File too large\n");
    EXPECT_TRUE(fs::is_empty(out));
}

}  // namespace
}  // namespace kelvista::replaycli
