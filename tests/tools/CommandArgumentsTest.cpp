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

TEST(CommandArgumentsTest, NegativeNumbersAreArgumentsAndOptionValuesAreTakenWhole) {
    CommandArguments arguments(
        FrameCommand(),
        {QCommandLineOption(QStringLiteral("png"), QString(), QStringLiteral("OUT"))}, 1);
    ASSERT_TRUE(arguments.parse({"--png", "-1.png", "-3.-4"}))
        << arguments.errorText().toStdString();
    EXPECT_EQ(arguments.positionals(), QStringList{"-3.-4"});
    EXPECT_EQ(arguments.value("png"), "-1.png");
}

}  // namespace
}  // namespace kelvista::replaycli
