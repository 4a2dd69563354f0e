#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>
#include <QSettings>
#include <QString>

#include "IniValueText.h"

namespace kelvista {
namespace {

// What QSettings itself reads for `key` from a file holding `fileText`: its text, "<list>" when it
// splits the value at commas, nullopt when it finds no such key.
std::optional<std::string> QSettingsReads(const std::string& fileText, const char* key) {
    // A file of its own for each text: QSettings keeps files it has read in a cache that trusts
    // size and modification time, which a quick rewrite of the same size can fool.
    static int count = 0;
    const auto file = std::filesystem::path(std::getenv("HOME")) /
                      ("reference" + std::to_string(count++) + ".ini");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << fileText;
    std::optional<std::string> result;
    {
        const QSettings reference(QString::fromStdString(file.string()), QSettings::IniFormat);
        const QString name = QString::fromLatin1(key);
        if (reference.contains(name)) {
            const QVariant value = reference.value(name);
            result = value.typeId() == QMetaType::QString ? value.toString().toStdString()
                                                          : std::string("<list>");
        }
    }
    std::filesystem::remove(file);
    return result;
}

// Where QSettings itself reads a value as one text, the one-text reading must agree with it.
TEST(IniValueTextTest, AgreesWithQSettingsWhereNoCommaSplitsTheValue) {
    const std::string raws[] = {
        "/srv/plain",
        "  padded  ",
        "\"quoted, comma\"",
        "\" quoted blanks \"",
        "tab\\tescape",
        "\\x41\\x00e9z",
        "\\101\\60",
        "\\777",
        "\\8",
        "\\x110000",
        "a\\xzb",
        "\\x",
        "\\xd83d\\xde00 pair",
        "\\xd800 lone",
        "\\xde00\\xd83d reversed",
        "\\xd83dz",
        "back\\\\slash",
        "unknown\\qescape",
        "trail\\ ",
        "\"a\" b",
        "a \"b\" c",
        "semi;colon",
        "\"in;quotes\"",
        "q\\\"uote",
        "M\xC3\xBCller",
        "ends\\",
        "",
        "   ",
    };
    for (const std::string& raw : raws) {
        const auto reference = QSettingsReads("Key=" + raw + "\n", "Key");
        ASSERT_TRUE(reference.has_value()) << raw;
        ASSERT_NE(*reference, "<list>") << raw;
        EXPECT_EQ(UnescapeIniValue(raw), *reference) << raw;
    }
}

// Which line names the top-level key follows QSettings: its spellings of the top-level group, its
// escapes in key names, its comments and line ends.
TEST(IniValueTextTest, FindsTheKeyWhereQSettingsDoes) {
    const std::string files[] = {
        // Spellings of the top-level group.
        "[general]\nKey=lower\n",
        "[GENERAL]\nKey=upper\n",
        "[ General\t]\nKey=blanks\n",
        "[General] trailing words\nKey=trailing\n",
        "[General;comment]\nKey=cut\n",
        "[Other]\nKey=no\n[General\nKey=unclosed\n",
        "  [Other]\nKey=indented\n",
        // Groups that are not the top level.
        "[%General]\nKey=escaped\n",
        "[%general]\nKey=escaped\n",
        "[Gen%65ral]\nKey=escaped\n",
        "[]\nKey=empty\n",
        "[ ]\nKey=blank\n",
        "[Other]\n\f[General]\nKey=not a group line\n",
        "[Other]\n[General]\nKey=back\n[Other]\nKey=no\n",
        "Key=first\n[General]\nKey=second\n[general]\nOther=1\n",
        // Escapes in key names.
        "%4Bey=hex\n",
        "K%65y=hex\n",
        "%U004Bey=unicode\n",
        "%U+04Bey=lenient\n",
        "%U0x4Bey=prefixed\n",
        "K%6=short\n",
        "%4bey=lower hex\n",
        "K%U65y=bad unicode\n",
        "Group\\Key=group\n",
        "\\Key=leading\n",
        "Key\\=trailing\n",
        "Ke\\=y=escaped equals\n",
        // Comments, blanks and line ends.
        "; Key=comment\n",
        "#Key=hash\n",
        "Key;=cut\n",
        "  Key  =  padded  \n",
        "\fKey=form feed\n",
        "\vKey=vertical tab\n",
        "Key=a\rOther=b\r",
        "Key=crlf\r\nOther=b\r\n",
        "\xEF\xBB\xBFKey=bom\n",
        "Key=\"a;b\" ; note\n",
        "Key=a=b\n",
        "K\"e=y\"=quoted equals\n",
        "Key\n",
        "Key=\n",
        "key=other case\n",
    };
    for (const std::string& file : files) {
        const auto reference = QSettingsReads(file, "Key");
        ASSERT_NE(reference, "<list>") << file;
        EXPECT_EQ(IniValueAsOneText(file, "Key"), reference) << file;
    }
}

// QSettings lets an open quote or a closing backslash carry a value on into the following lines,
// so one damaged line takes the next settings with it. Here every line stands alone.
TEST(IniValueTextTest, AValueNeverRunsIntoTheNextLine) {
    const std::string openQuote = "InstallFolder=\"/data/x\nreplay_maxframes=5\n";
    EXPECT_EQ(IniValueAsOneText(openQuote, "InstallFolder"), "/data/x");
    EXPECT_EQ(IniValueAsOneText(openQuote, "replay_maxframes"), "5");
    EXPECT_EQ(QSettingsReads(openQuote, "replay_maxframes"), std::nullopt) << "QSettings differs";

    const std::string continued = "InstallFolder=/data/x\\\r\nreplay_maxframes=5\r\n";
    EXPECT_EQ(IniValueAsOneText(continued, "InstallFolder"), "/data/x");
    EXPECT_EQ(IniValueAsOneText(continued, "replay_maxframes"), "5");

    const std::string strayQuote = "Key=x\n\"note\nKey=y\nOther=\"\n";
    EXPECT_EQ(IniValueAsOneText(strayQuote, "Key"), "y");
    EXPECT_EQ(IniValueAsOneText("[Other\"\n[General]\nKey=z\n", "Key"), "z");
    EXPECT_EQ(IniValueAsOneText("Key=\"a\" \"b\nOther=1", "Key"), "ab");
}

TEST(IniValueTextTest, FindsTheTopLevelKeyOnly) {
    const std::string text =
        "; comment\r\n#Key=hash comment\r\nKey = first\r\n[Group]\r\nKey=grouped\r\n"
        "[General]\r\nKeyX=other\r\nKey=a, b\r\n";
    EXPECT_EQ(IniValueAsOneText(text, "Key"), "a, b");
    EXPECT_EQ(IniValueAsOneText("[Group]\nKey=x\n", "Key"), std::nullopt);
    EXPECT_EQ(IniValueAsOneText("Key\nKey2=1", "Key"), std::nullopt);
    EXPECT_EQ(IniValueAsOneText("Key=", "Key"), "");
}

TEST(IniValueTextTest, BytesThatAreNotUtf8AreKept) {
    // QSettings would give U+FFFD for each; a folder named in another encoding must still be found.
    EXPECT_EQ(IniValueAsOneText("Key=/srv/M\xFCller\n", "Key"), "/srv/M\xFCller");
}

}  // namespace
}  // namespace kelvista
