#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "DamagedTree.h"
#include "RecordingCommands.h"
#include "RunCommand.h"

namespace kelvista::replaycli {
namespace {

using testing::CommandRun;
using testing::Lines;
using testing::RunCommand;

using CommandFunction = int (*)(const QStringList&, CommandStreams);

struct BadRun {
    const char* what;
    CommandFunction command;
    QStringList arguments;
    int code;
};

// Every refusal is one line on stderr, nothing on stdout, and the documented exit code.
void ExpectRefusals(const std::vector<BadRun>& runs) {
    for (const BadRun& bad : runs) {
        const CommandRun run = RunCommand(bad.command, bad.arguments);
        EXPECT_EQ(run.code, bad.code) << bad.what << ": " << run.err;
        EXPECT_EQ(Lines(run.err).size(), 1u) << bad.what << ": " << run.err;
        EXPECT_EQ(run.err.rfind("kelvista-replay: ", 0), 0u) << bad.what;
        EXPECT_EQ(run.out, "") << bad.what;
    }
}

TEST(CommandUsage, BadArgumentsExitTwo) {
    testing::DamagedTree tree;
    QTemporaryDir out;
    const QString file = out.filePath("s.png");
    ExpectRefusals({
        {"ls with two sessions", RunLs, {"0", "1"}, 2},
        {"ls with an unknown option", RunLs, {"--all"}, 2},
        {"ls with a session that is no number", RunLs, {"three"}, 2},
        {"check with an unknown option", RunCheck, {"--jsn"}, 2},
        {"check with two sessions", RunCheck, {"0", "1"}, 2},
        {"export without a position", RunExport, {"--to", out.path()}, 2},
        {"export without --to", RunExport, {"1"}, 2},
        {"export with --to lacking its value", RunExport, {"1", "--to"}, 2},
        {"export of 1.2.3", RunExport, {"1.2.3", "--to", out.path()}, 2},
        {"export of 1.x", RunExport, {"1.x", "--to", out.path()}, 2},
        {"sheet without --to", RunSheet, {"1"}, 2},
        {"sheet with --columns 0", RunSheet, {"1", "--to", file, "--columns", "0"}, 2},
        {"sheet with --columns x", RunSheet, {"1", "--to", file, "--columns", "x"}, 2},
        {"sheet with --width 50", RunSheet, {"1", "--to", file, "--width", "50"}, 2},
    });
}

TEST(CommandUsage, WhatIsNotThereOrCannotBeWrittenExitsOne) {
    testing::DamagedTree tree;
    QTemporaryDir out;
    ExpectRefusals({
        {"ls of a missing session", RunLs, {"7"}, 1},
        {"check of a missing session", RunCheck, {"7"}, 1},
        {"export of a missing session", RunExport, {"7", "--to", out.path()}, 1},
        {"export of a frame not on disk", RunExport, {"1.5", "--to", out.path()}, 1},
        {"export of a frame without caption", RunExport, {"0.2", "--to", out.path()}, 1},
        {"sheet of a missing session", RunSheet, {"7", "--to", out.filePath("s.png")}, 1},
        {"sheet into a missing folder", RunSheet, {"1", "--to", out.filePath("no/s.png")}, 1},
    });
}

TEST(CommandUsage, AMissingRootIsOneClearLineForEveryCommand) {
    testing::ReplayTreeFixture tree;
    QTemporaryDir out;
    QDir(QString::fromStdString(tree.root())).rmdir("replay");
    ExpectRefusals({
        {"ls", RunLs, {}, 1},
        {"check", RunCheck, {}, 1},
        {"export", RunExport, {"0", "--to", out.path()}, 1},
        {"sheet", RunSheet, {"0", "--to", out.filePath("s.png")}, 1},
    });
    EXPECT_EQ(RunCommand(RunLs, {}).err,
              "kelvista-replay: ls: no replay folder at " + tree.root() + "/replay\n");
}

TEST(CommandUsage, HelpDescribesTheCommandAndItsExitCodes) {
    for (const CommandFunction command : {RunLs, RunCheck, RunExport, RunSheet}) {
        const CommandRun run = RunCommand(command, {"--help"});
        EXPECT_EQ(run.code, 0);
        EXPECT_EQ(run.out.rfind("Usage: kelvista-replay ", 0), 0u);
        EXPECT_NE(run.out.find("Exit codes:"), std::string::npos);
        EXPECT_NE(run.out.find("Examples:"), std::string::npos);
    }
}

}  // namespace
}  // namespace kelvista::replaycli
