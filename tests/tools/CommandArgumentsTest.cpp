#include <gtest/gtest.h>
#include <QStringList>

#include <optional>

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

TEST(SessionFrameTest, ExportAlsoTakesASessionAlone) {
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
        std::optional<int32_t> frame;
        ASSERT_EQ(ParseSessionOrSessionFrame(c.text, session, frame), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(session, c.session) << c.text;
            EXPECT_EQ(frame, c.frame) << c.text;
        }
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
