#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <QJsonDocument>
#include <QJsonObject>

#include "RunTool.h"
#include "cli/PathText.h"
#include "inspect/Findings.h"

namespace kelvista::replaycli {
namespace {

using test::UnescapedName;

bool IsUtf8(const std::string& text) {
    return QString::fromUtf8(text).toStdString() == text;
}

// No byte a terminal or a line-based reader acts on: C0, DEL, or a C1 control in UTF-8.
bool HasNoControls(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F ||
            (byte == 0xC2 && i + 1 < text.size() &&
             static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
            return false;
        }
    }
    return true;
}

// Byte strings of every kind: all single bytes and pairs, then random runs of any bytes.
std::vector<std::string> AnyBytes() {
    std::vector<std::string> samples;
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            samples.push_back({static_cast<char>(first), static_cast<char>(second)});
        }
    }
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> length(0, 12);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 20000; ++i) {
        std::string sample(static_cast<size_t>(length(random)), '\0');
        for (char& c : sample) {
            c = static_cast<char>(byte(random));
        }
        samples.push_back(sample);
    }
    return samples;
}

TEST(EscapedName, CopiesPrintableUtf8AndEscapesEverythingElseOneByteAtATime) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"replay/session3/frame07.bmp", "replay/session3/frame07.bmp"},
        {"caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80"},
        {"\xC2\xA0no-break", "\xC2\xA0no-break"},
        {"a\\b", "a\\\\b"},
        {"a\tb\nc\rd", "a\\tb\\nc\\rd"},
        {"\x1B[31mred", "\\x1b[31mred"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"del\x7F", "del\\x7f"},
        {"\xC2\x9B"
         "2J",
         "\\xc2\\x9b2J"},  // the C1 control that starts a terminal sequence
        {"latin\xE9\xFF", "latin\\xe9\\xff"},
        {"cut\xE2\x82", "cut\\xe2\\x82"},
        {"\xC0\xAF", "\\xc0\\xaf"},                    // overlong '/'
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"},           // a surrogate
        {"\xF4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // beyond U+10FFFF
        {"\xC3\xC3\xA9", "\\xc3\xC3\xA9"},             // a lone lead byte before a whole one
        {"line\xE2\x80\xA8para\xE2\x80\xA9", "line\\xe2\\x80\\xa8para\\xe2\\x80\\xa9"},
        {"\xE2\x80\xAE"
         "evil\xE2\x81\xA6",
         "\\xe2\\x80\\xaeevil\\xe2\\x81\\xa6"},                    // bidi
        {"\xE2\x80\xA7\xE2\x81\xAA", "\xE2\x80\xA7\xE2\x81\xAA"},  // their neighbours stay
    };
    for (const auto& [bytes, printed] : cases) {
        EXPECT_EQ(EscapedName(bytes), printed) << printed;
    }
}

TEST(EscapedName, IsOneLineOfUtf8ThatGivesBackEveryByte) {
    for (const std::string& bytes : AnyBytes()) {
        const std::string printed = EscapedName(bytes);
        ASSERT_TRUE(IsUtf8(printed)) << printed;
        ASSERT_TRUE(HasNoControls(printed)) << printed;
        ASSERT_EQ(UnescapedName(printed), bytes) << printed;
    }
}

TEST(OneLineMessage, EscapesControlsAndBytesThatAreNotUtf8ButLeavesBackslashes) {
    EXPECT_EQ(OneLineMessage("cannot read C:\\x: no\nway \xFF\x1B"),
              "cannot read C:\\x: no\\nway \\xff\\x1b");
    for (const std::string& bytes : AnyBytes()) {
        const std::string line = OneLineMessage(bytes);
        ASSERT_TRUE(IsUtf8(line) && HasNoControls(line)) << line;
    }
}

TEST(FindingJson, ANameThatIsNoTextStaysValidJsonAndGivesBackItsBytes) {
    Finding finding;
    finding.kind = FindingKind::BadName;
    finding.path = "replay/session0/quote\"back\\slash\nline\xFF\xC3(\x1B";
    finding.message = "not a frame file name";
    const QByteArray json = QJsonDocument(FindingJson(finding)).toJson(QJsonDocument::Compact);
    EXPECT_TRUE(IsUtf8(json.toStdString()));
    EXPECT_FALSE(json.contains('\n'));
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(json, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    EXPECT_EQ(UnescapedName(parsed.object()["path"].toString().toStdString()), finding.path);

    const std::string line = FindingLine(finding);
    EXPECT_EQ(line, "replay/session0/quote\"back\\\\slash\\nline\\xff\\xc3(\\x1b bad-name: " +
                        finding.message);
}

TEST(ArgumentText, EveryByteStringComesBackExactly) {
    for (const std::string& bytes : AnyBytes()) {
        ASSERT_EQ(ArgumentBytes(ArgumentText(bytes)), bytes) << EscapedName(bytes);
    }
}

TEST(ArgumentText, DecodesUtf8AsQtDoesAndEachOtherByteAsItsOwnSurrogate) {
    const std::string text = "caf\xC3\xA9 \xF0\x9F\x98\x80";
    EXPECT_EQ(ArgumentText(text), QString::fromUtf8(text));
    EXPECT_EQ(ArgumentText("a\xFF"), QStringLiteral("a") + QChar(0xDCFF));
    EXPECT_EQ(ArgumentText("\xC3(\xED\xA0\x80"),
              QString(QChar(0xDCC3)) + "(" + QChar(0xDCED) + QChar(0xDCA0) + QChar(0xDC80));
    // Text that no byte decodes to still encodes: as UTF-8, a stray surrogate as U+FFFD.
    EXPECT_EQ(ArgumentBytes(QString(QChar(0xD800)) + "a" + QChar(0xDC41)),
              "\xEF\xBF\xBD"
              "a\xEF\xBF\xBD");
    EXPECT_EQ(ArgumentBytes(QStringLiteral("\u00e9")), "\xC3\xA9");

    const char* const argv[] = {"ls", "fr\xE9quence", "--json"};
    EXPECT_EQ(ArgumentTexts(3, argv),
              QStringList({"ls", QStringLiteral("fr") + QChar(0xDCE9) + "quence", "--json"}));
}

}  // namespace
}  // namespace kelvista::replaycli
