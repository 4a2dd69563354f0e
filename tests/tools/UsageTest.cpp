#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "DamagedTree.h"
#include "RunTool.h"
#include "SettingsStore.h"
#include "cli/CommandArguments.h"

namespace kelvista::replaycli {
namespace {

using test::Lines;
using test::RunInProcess;
using test::ToolRun;

struct BadRun {
    const char* what;
    QStringList arguments;
    int code;
};

// Every refusal is one line on stderr, nothing on stdout, and the documented exit code.
void ExpectRefusals(const std::vector<BadRun>& runs) {
    for (const BadRun& bad : runs) {
        const ToolRun run = RunInProcess(bad.arguments);
        EXPECT_EQ(run.code, bad.code) << bad.what << ": " << run.err;
        EXPECT_EQ(Lines(run.err).size(), 1u) << bad.what << ": " << run.err;
        EXPECT_EQ(run.err.rfind("kelvista-replay: ", 0), 0u) << bad.what;
        EXPECT_EQ(run.out, "") << bad.what;
    }
}

TEST(ToolUsage, VersionIsPrintedAlone) {
    for (const char* option : {"--version", "-v"}) {
        const ToolRun run = RunInProcess({QString::fromLatin1(option)});
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out, "kelvista-replay 1.0.0.1\n");
        EXPECT_EQ(run.err, "");
    }
}

TEST(ToolUsage, HelpNamesCommandsExitCodesAndTheSettingsFile) {
    const ToolRun run = RunInProcess({"--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("Usage: kelvista-replay [--help | --version] COMMAND", 0), 0u);
    for (const std::string& expected :
         {std::string("decode FILE [--png OUT]"), std::string("frame SESSION.FRAME [--png OUT]"),
          std::string("diff SESSION.FRAME [SESSION.FRAME]"),
          std::string("ls [--json] [SESSION [--changes]]"),
          std::string("sheet SESSION --to FILE.png"), std::string("Exit codes"),
          std::string("usage error"), UserSettingsLocation()}) {
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    }
}

TEST(ToolUsage, EachCommandHasItsOwnHelpWithItsExitCodes) {
    for (const char* command : {"decode", "frame", "diff", "ls", "check", "export", "sheet"}) {
        const ToolRun run = RunInProcess({QString::fromLatin1(command), "--help"});
        EXPECT_EQ(run.code, 0) << command;
        EXPECT_EQ(run.err, "") << command;
        EXPECT_EQ(run.out.rfind("Usage: kelvista-replay " + std::string(command) + " ", 0), 0u)
            << run.out;
        EXPECT_NE(run.out.find("Exit codes:"), std::string::npos) << command;
    }
    for (const char* command : {"decode", "frame"}) {
        EXPECT_NE(RunInProcess({QString::fromLatin1(command), "-h"}).out.find("--png OUT"),
                  std::string::npos)
            << command;
    }
    for (const char* command : {"diff", "ls", "check", "export", "sheet"}) {
        EXPECT_NE(RunInProcess({QString::fromLatin1(command), "--help"}).out.find("Examples:"),
                  std::string::npos)
            << command;
    }
}

TEST(ToolUsage, BadArgumentsExitTwo) {
    test::DamagedTree tree;
    QTemporaryDir out;
    const QString file = out.filePath("s.png");
    ExpectRefusals({
        {"no command", {}, 2},
        {"an unknown command", {"bogus"}, 2},
        {"an unknown tool option", {"--bogus"}, 2},
        {"a negative number for a command", {"-1.2"}, 2},
        {"decode without a file", {"decode"}, 2},
        {"decode with two files", {"decode", "x.bmp", "y"}, 2},
        {"decode with an unknown option", {"decode", "--bogus", "x.bmp"}, 2},
        {"decode with --png lacking its value", {"decode", "x.bmp", "--png"}, 2},
        {"frame without a position", {"frame"}, 2},
        {"frame of a session alone", {"frame", "1"}, 2},
        {"frame of 1.2.3", {"frame", "1.2.3"}, 2},
        {"frame of a session beyond int32", {"frame", "2147483648.0"}, 2},
        {"frame with two positions", {"frame", "1.2", "3.4"}, 2},
        {"frame with --png lacking its value", {"frame", "1.2", "--png"}, 2},
        {"frame with --png after --", {"frame", "--", "1.2", "--png"}, 2},
        {"ls with two sessions", {"ls", "0", "1"}, 2},
        {"ls with an unknown option", {"ls", "--all"}, 2},
        {"ls with a session that is no number", {"ls", "three"}, 2},
        {"check with an unknown option", {"check", "--jsn"}, 2},
        {"check with two sessions", {"check", "0", "1"}, 2},
        {"export without a position", {"export", "--to", out.path()}, 2},
        {"export without --to", {"export", "1"}, 2},
        {"export with --to lacking its value", {"export", "1", "--to"}, 2},
        {"export of 1.2.3", {"export", "1.2.3", "--to", out.path()}, 2},
        {"export of 1.x", {"export", "1.x", "--to", out.path()}, 2},
        {"sheet without --to", {"sheet", "1"}, 2},
        {"sheet with --columns 0", {"sheet", "1", "--to", file, "--columns", "0"}, 2},
        {"sheet with --columns x", {"sheet", "1", "--to", file, "--columns", "x"}, 2},
        {"sheet with --width 50", {"sheet", "1", "--to", file, "--width", "50"}, 2},
        {"export with --to twice", {"export", "1", "--to", out.path(), "--to", file}, 2},
        {"sheet with --force twice", {"sheet", "1", "--to", file, "--force", "--force"}, 2},
        {"decode with --png twice", {"decode", "x.bmp", "--png", file, "--png", file}, 2},
    });
}

TEST(ToolUsage, WhatIsNotThereOrCannotBeWrittenExitsOne) {
    test::DamagedTree tree;
    QTemporaryDir out;
    ExpectRefusals({
        {"ls of a missing session", {"ls", "7"}, 1},
        {"check of a missing session", {"check", "7"}, 1},
        {"export of a missing session", {"export", "7", "--to", out.path()}, 1},
        {"export of a frame not on disk", {"export", "1.5", "--to", out.path()}, 1},
        {"export of a frame without caption", {"export", "0.2", "--to", out.path()}, 1},
        {"sheet of a missing session", {"sheet", "7", "--to", out.filePath("s.png")}, 1},
        {"sheet into a missing folder", {"sheet", "1", "--to", out.filePath("no/s.png")}, 1},
    });
}

TEST(ToolUsage, AMissingRootIsOneClearLineForEveryCommand) {
    test::ReplayTree tree;
    QTemporaryDir out;
    QDir(QString::fromStdString(tree.root())).rmdir("replay");
    ExpectRefusals({
        {"ls", {"ls"}, 1},
        {"check", {"check"}, 1},
        {"export", {"export", "0", "--to", out.path()}, 1},
        {"sheet", {"sheet", "0", "--to", out.filePath("s.png")}, 1},
    });
    EXPECT_EQ(RunInProcess({"ls"}).err,
              "kelvista-replay: ls: no replay folder at " + tree.root() + "/replay\n");
    tree.settings().removeValue(kInstallFolderSetting);
    EXPECT_EQ(RunInProcess({"check"}).err,
              "kelvista-replay: check: no replay folder at /replay (InstallFolder is not set)\n");
    const std::string longRoot = "/" + std::string(258, 'r');
    tree.settings().setText(kInstallFolderSetting, longRoot);
    const std::string tooLong =
        "no replay folder: InstallFolder is too long (259 bytes): its replay folder's path would "
        "be 266 bytes, over the 259-byte limit of a path\n";
    EXPECT_EQ(RunInProcess({"export", "0", "--to", out.path()}).err,
              "kelvista-replay: export: " + tooLong);
    const std::string frameBase = longRoot + "/replay/session0/frame000";
    EXPECT_EQ(RunInProcess({"frame", "0.0"}).err,
              "kelvista-replay: " + frameBase +
                  ": path too long (284 bytes, the viewer's 259 at most), the viewer finds no "
                  "frame here; " +
                  tooLong);
}

TEST(CommandArgumentsTest, NegativeNumbersAreArgumentsAndOptionValuesAreTakenWhole) {
    const Result<ParsedArguments> arguments =
        ParseArguments(FrameCommand(), {"--png", "-1.png", "-3.-4"});
    ASSERT_TRUE(arguments) << arguments.failure().message;
    EXPECT_EQ(arguments->positionals(), QStringList{"-3.-4"});
    EXPECT_EQ(arguments->value("png"), "-1.png");
}

}  // namespace
}  // namespace kelvista::replaycli
