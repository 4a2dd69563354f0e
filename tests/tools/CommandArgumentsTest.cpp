#include <gtest/gtest.h>
#include <QStringList>

#include "Command.h"
#include "CommandArguments.h"
#include "SessionFrame.h"

namespace kelvista::replaycli {
namespace {

TEST(SessionFrameTest, ReadsTwoInt32JoinedByOnePoint) {
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

class CommandArgumentsTest : public testing::Test {
protected:
    CommandArguments make() const {
        return CommandArguments(
            FrameCommand(),
            {QCommandLineOption(QStringLiteral("png"), QString(), QStringLiteral("OUT"))}, 1);
    }
};

TEST_F(CommandArgumentsTest, NegativeNumbersAreArgumentsAndOptionValuesAreTakenWhole) {
    CommandArguments arguments = make();
    ASSERT_TRUE(arguments.parse({"--png", "-1.png", "-3.-4"}))
        << arguments.errorText().toStdString();
    EXPECT_EQ(arguments.positionals(), QStringList{"-3.-4"});
    EXPECT_EQ(arguments.value("png"), "-1.png");
}

TEST_F(CommandArgumentsTest, DoubleDashEndsTheOptions) {
    CommandArguments arguments = make();
    ASSERT_TRUE(arguments.parse({"--", "--png"}));
    EXPECT_EQ(arguments.positionals(), QStringList{"--png"});
    EXPECT_FALSE(arguments.isSet("png"));
}

TEST_F(CommandArgumentsTest, ReportsWhatIsWrong) {
    CommandArguments missingValue = make();
    EXPECT_FALSE(missingValue.parse({"1.2", "--png"}));
    EXPECT_TRUE(missingValue.errorText().contains("--png"));
    CommandArguments missing = make();
    EXPECT_FALSE(missing.parse({"--png", "x.png"}));
    EXPECT_TRUE(missing.errorText().contains("missing argument"));
    CommandArguments extra = make();
    EXPECT_FALSE(extra.parse({"1.2", "3.4"}));
    EXPECT_TRUE(extra.errorText().contains("3.4"));
    CommandArguments unknown = make();
    EXPECT_FALSE(unknown.parse({"1.2", "--bogus"}));
    EXPECT_TRUE(unknown.errorText().contains("bogus"));
}

}  // namespace
}  // namespace kelvista::replaycli
