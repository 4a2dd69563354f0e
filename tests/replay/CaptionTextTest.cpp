#include <string>

#include <gtest/gtest.h>
#include <QString>

#include "CaptionFile.h"
#include "TextEncoding.h"

namespace kelvista {
namespace {

struct TextCase {
    const char* name;
    std::string bytes;
    QString expected;
};

class CaptionTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(CaptionTextTest, DecodesUtf8OrWindows1252) {
    EXPECT_EQ(CaptionText(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CaptionTextTest,
    testing::Values(
        TextCase{"Ascii", "Hand 12", QStringLiteral("Hand 12")}, TextCase{"Empty", "", QString()},
        TextCase{"Utf8", "M\xC3\xBCller \xE2\x82\xAC", QStringLiteral(u"M\u00FCller \u20AC")},
        TextCase{"Utf8FourBytes", "\xF0\x9F\x82\xA1", QStringLiteral(u"\U0001F0A1")},
        TextCase{"Utf8ByteOrderMark", "\xEF\xBB\xBFHand", QStringLiteral("Hand")},
        TextCase{"Latin", "M\xFCller", QStringLiteral(u"M\u00FCller")},
        TextCase{"EuroAndQuotes", "\x80 \x93x\x94 \x85",
                 QStringLiteral(u"\u20AC \u201Cx\u201D \u2026")},
        TextCase{"Unassigned", "\x81\x8D\x8F\x90\x9D",
                 QStringLiteral(u"\u0081\u008D\u008F\u0090\u009D")},
        TextCase{"Overlong", "\xC0\xAF", QStringLiteral(u"\u00C0\u00AF")},
        TextCase{"Surrogate", "\xED\xA0\x80", QStringLiteral(u"\u00ED\u00A0\u20AC")},
        TextCase{"BeyondUnicode", "\xF4\x90\x80\x80", QStringLiteral(u"\u00F4\u0090\u20AC\u20AC")},
        TextCase{"Truncated", "ok \xE2\x82", QStringLiteral(u"ok \u00E2\u201A")},
        TextCase{"StrayContinuation", "\xA9 2006", QStringLiteral(u"\u00A9 2006")},
        // One bad byte makes the whole caption Windows-1252, valid sequences included.
        TextCase{"Mixed", "\xC3\xBC \xFC", QStringLiteral(u"\u00C3\u00BC \u00FC")}),
    [](const testing::TestParamInfo<TextCase>& param) { return param.param.name; });

TEST(Windows1252Test, EveryByteHasItsOwnCharacter) {
    QString seen;
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t unit = Windows1252ToUnicode(static_cast<uint8_t>(byte));
        EXPECT_NE(unit, u'\uFFFD') << byte;
        EXPECT_FALSE(seen.contains(QChar(unit))) << byte;
        seen.append(QChar(unit));
        if (byte < 0x80 || byte >= 0xA0) {
            EXPECT_EQ(unit, byte) << "ASCII and the Latin-1 upper half map to themselves";
        }
    }
    EXPECT_EQ(Windows1252ToUnicode(0x8A), u'\u0160');
    EXPECT_EQ(Windows1252ToUnicode(0x9F), u'\u0178');
}

}  // namespace
}  // namespace kelvista
