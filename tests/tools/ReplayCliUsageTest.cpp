#include <initializer_list>
#include <ostream>
#include <string>

#include <gtest/gtest.h>
#include <QStringList>

#include "ReplayCliRunner.h"

namespace kelvista::tooltest {
namespace {

TEST(ReplayCliUsageTest, VersionIsPrintedAlone) {
    const ToolSandbox sandbox;
    for (const char* option : {"--version", "-v"}) {
        const ToolRun run = sandbox.run({QString::fromLatin1(option)});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, "kelvista-replay 1.0.0.1\n");
        EXPECT_EQ(run.err, "");
    }
}

TEST(ReplayCliUsageTest, HelpNamesCommandsExitCodesAndTheSettingsFile) {
    const ToolSandbox sandbox;
    const ToolRun run = sandbox.run({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const QString help = QString::fromUtf8(run.out);
    for (const QString& expected :
         {QStringLiteral("decode FILE [--png OUT]"),
          QStringLiteral("frame SESSION.FRAME [--png OUT]"), QStringLiteral("Exit codes"),
          QStringLiteral("usage error"), sandbox.settingsFile()}) {
        EXPECT_TRUE(help.contains(expected)) << expected.toStdString() << "\n"
                                             << run.out.toStdString();
    }
}

TEST(ReplayCliUsageTest, EachCommandHasItsOwnHelp) {
    const ToolSandbox sandbox;
    for (const char* command : {"decode", "frame"}) {
        const ToolRun run = sandbox.run({QString::fromLatin1(command), QStringLiteral("--help")});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.out.startsWith("Usage: kelvista-replay " + QByteArray(command) + " "));
        EXPECT_TRUE(run.out.contains("--png OUT"));
    }
}

// The arguments of one run; printed as the command line they make.
struct Arguments {
    Arguments(std::initializer_list<const char*> list) {
        for (const char* argument : list) {
            values.append(QString::fromUtf8(argument));
        }
    }
    QStringList values;
};

void PrintTo(const Arguments& arguments, std::ostream* os) {
    *os << '\'' << arguments.values.join(' ').toStdString() << '\'';
}

class UsageErrorTest : public testing::TestWithParam<Arguments> {};

TEST_P(UsageErrorTest, ExitsWithTwoAndOneLineOnStandardError) {
    const ToolSandbox sandbox;
    sandbox.writeFile(sandbox.home() + QStringLiteral("/x.bmp"), SmallPicture());
    const ToolRun run = sandbox.run(GetParam().values);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    ASSERT_EQ(run.errLines().size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.errLines().front().startsWith(QStringLiteral("kelvista-replay: ")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UsageErrorTest,
    testing::Values(Arguments{}, Arguments{"bogus"}, Arguments{"--bogus"}, Arguments{"-1.2"},
                    Arguments{"decode"}, Arguments{"decode", "x.bmp", "y"},
                    Arguments{"decode", "--bogus", "x.bmp"}, Arguments{"decode", "x.bmp", "--png"},
                    Arguments{"frame"}, Arguments{"frame", "1"}, Arguments{"frame", "1.2.3"},
                    Arguments{"frame", "2147483648.0"}, Arguments{"frame", "1.2", "3.4"},
                    Arguments{"frame", "1.2", "--png"}, Arguments{"frame", "--", "1.2", "--png"}),
    [](const testing::TestParamInfo<Arguments>& param) {
        // Index first: different arguments can read alike once reduced to a name.
        std::string name = "Case" + std::to_string(param.index);
        for (const QString& argument : param.param.values) {
            name += '_';
            for (const QChar c : argument) {
                name += c.isLetterOrNumber() && c.unicode() < 128 ? static_cast<char>(c.unicode())
                                                                  : 'x';
            }
        }
        return name;
    });

}  // namespace
}  // namespace kelvista::tooltest
