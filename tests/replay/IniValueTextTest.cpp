#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <QSettings>
#include <QString>

#include "IniValueText.h"

namespace kelvista {
namespace {

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
    int index = 0;
    for (const std::string& raw : raws) {
        // A file of its own for each value: QSettings keeps files it has read in a cache that
        // trusts size and modification time, which a quick rewrite of the same size can fool.
        const auto file = std::filesystem::path(std::getenv("HOME")) /
                          ("agree" + std::to_string(index++) + ".ini");
        std::ofstream(file, std::ios::trunc) << "Key=" << raw << "\n";
        const QSettings reference(QString::fromStdString(file.string()), QSettings::IniFormat);
        const QVariant value = reference.value(QStringLiteral("Key"));
        ASSERT_EQ(value.typeId(), QMetaType::QString) << raw;
        EXPECT_EQ(UnescapeIniValue(raw), value.toString().toStdString()) << raw;
        std::filesystem::remove(file);
    }
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

}  // namespace
}  // namespace kelvista
