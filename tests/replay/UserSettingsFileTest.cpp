#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QSettings>
#include <QString>

#include "ReplayLayout.h"
#include "SettingsStore.h"
#include "UserSettingsFolder.h"

namespace kelvista {
namespace {

namespace fs = std::filesystem;

// The user's real store: $XDG_CONFIG_HOME/Dravenor.conf, which main() points at a fresh folder.
class UserSettingsFileTest : public test::UserSettingsFolderTest {
protected:
    void writeFile(const std::string& text) {
        fs::create_directories(m_folder);
        std::ofstream(m_file, std::ios::binary | std::ios::trunc) << text;
    }
    // A fresh settings file holding InstallFolder as QSettings writes `folder`.
    void writeWithQSettings(const QVariant& folder) {
        fs::remove(m_file);
        fs::create_directories(m_folder);
        QSettings writer(QString::fromStdString(m_file.string()), QSettings::IniFormat);
        writer.setValue(QStringLiteral("InstallFolder"), folder);
    }
    std::string fileBytes() const {
        std::ifstream in(m_file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        if (fs::exists(m_folder)) {
            for (const auto& entry : fs::directory_iterator(m_folder)) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }
    static std::string readFolder() {
        char buffer[kPathCapacity];
        return ReadSettingString("InstallFolder", buffer, sizeof buffer);
    }
};

TEST_F(UserSettingsFileTest, StoreIsTheDravenorFileInTheUserConfigFolder) {
    EXPECT_EQ(fs::path(UserSettingsLocation()), m_file);
}

TEST_F(UserSettingsFileTest, MissingFileHoldsNoValuesAndIsNotCreated) {
    EXPECT_EQ(readFolder(), "");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
    fs::create_directories(m_folder);
    EXPECT_EQ(readFolder(), "");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
    EXPECT_TRUE(folderEntries().empty());
}

TEST_F(UserSettingsFileTest, OnlyTopLevelValuesOfTheirOwnNameCount) {
    writeFile(
        "Other=/srv/r\ninstallfolder=/srv/lower\n[Dravenor]\nInstallFolder=/srv/grouped\n"
        "replay_maxframes=5\n");
    EXPECT_EQ(readFolder(), "");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
}

TEST_F(UserSettingsFileTest, FolderInTheFilesPlaceHoldsNoValues) {
    fs::create_directories(m_file);
    EXPECT_EQ(readFolder(), "");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
}

TEST_F(UserSettingsFileTest, UnreadableFileHoldsNoValues) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    writeFile("InstallFolder=/srv/r\n");
    fs::permissions(m_file, fs::perms::none);
    EXPECT_EQ(readFolder(), "");
}

struct FolderLine {
    const char* name;
    std::string fileText;
    std::string expected;
};

class HandWrittenFolderTest : public UserSettingsFileTest,
                              public testing::WithParamInterface<FolderLine> {};

TEST_P(HandWrittenFolderTest, ComesBackAsWritten) {
    writeFile(GetParam().fileText);
    EXPECT_EQ(readFolder(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, HandWrittenFolderTest,
    testing::Values(
        FolderLine{"Plain", "InstallFolder=/srv/replays\n", "/srv/replays"},
        FolderLine{"Spaces", "InstallFolder=/srv/my replays\n", "/srv/my replays"},
        FolderLine{"PaddedLine", "  InstallFolder =  /srv/padded  \r\n", "/srv/padded"},
        FolderLine{"Comma", "InstallFolder=/srv/a,b\n", "/srv/a,b"},
        FolderLine{"CommaSpace", "InstallFolder=/srv/a, b\n", "/srv/a, b"},
        FolderLine{"BlanksAroundCommas", "InstallFolder=/srv/a ,  b,,c\n", "/srv/a ,  b,,c"},
        FolderLine{"QuotedComma", "InstallFolder=\"/srv/a, b\"\n", "/srv/a, b"},
        FolderLine{"QuotedBlanks", "InstallFolder=\" /srv/x \"\n", " /srv/x "},
        FolderLine{"EscapedQuotes", "InstallFolder=\"/srv/q \\\"x\\\"\"\n", "/srv/q \"x\""},
        FolderLine{"QuotedThenComma", "InstallFolder=\"/srv/a\", b\n", "/srv/a, b"},
        FolderLine{"NonAscii", "InstallFolder=/srv/M\xC3\xBCller \xE4\xB8\xAD\n",
                   "/srv/M\xC3\xBCller \xE4\xB8\xAD"},
        FolderLine{"CommentAfterComma", "InstallFolder=/srv/x,y ; note\n", "/srv/x,y"},
        FolderLine{"GeneralSection",
                   "[Other]\nInstallFolder=/no,no\n[General]\nInstallFolder=/srv/g, h\n",
                   "/srv/g, h"},
        FolderLine{"OtherSectionOnly", "[Other]\nInstallFolder=/no\n", ""},
        FolderLine{"LowerCaseGeneral",
                   "[Other]\nInstallFolder=/no\n[general]\nInstallFolder=/g, h\n", "/g, h"},
        FolderLine{"EscapedGeneralIsAGroup", "[%General]\nInstallFolder=/no, no\n", ""},
        FolderLine{"EscapedKey", "Install%46older=/srv/e, f\n", "/srv/e, f"},
        FolderLine{"OpenQuote", "InstallFolder=\"/data/x\nreplay_maxframes=5\n", "/data/x"},
        FolderLine{"ClosingBackslash", "InstallFolder=/data/y\\\nreplay_maxframes=5\n", "/data/y"},
        FolderLine{"EscapedAt", "InstallFolder=@@srv, x\n", "@srv, x"},
        FolderLine{"ByteArray", "InstallFolder=@ByteArray(/srv/b)\n", "/srv/b"},
        FolderLine{"ByteArrayEscapes", "InstallFolder=@ByteArray(/M\\xc3\\xbcller)\n",
                   "/M\xC3\xBCller"},
        FolderLine{"StringForm", "InstallFolder=@String(/s, t)\n", "/s, t"},
        FolderLine{"Invalid", "InstallFolder=@Invalid()\n", ""},
        FolderLine{"Rectangle", "InstallFolder=@Rect(1 2 3 4)\n", ""},
        FolderLine{"NotQuiteARectangle", "InstallFolder=@Rect(1 2 3)\n", "@Rect(1 2 3)"},
        FolderLine{"UnknownType", "InstallFolder=@Folder(/srv)\n", "@Folder(/srv)"}),
    [](const testing::TestParamInfo<FolderLine>& param) { return param.param.name; });

TEST_F(UserSettingsFileTest, FolderWrittenByQSettingsComesBackExactly) {
    const QString folders[] = {
        QStringLiteral("/a, b"),       QStringLiteral("a,b,,c"),
        QStringLiteral(" lead"),       QStringLiteral("trail "),
        QStringLiteral("semi;colon"),  QStringLiteral("q\"uo\"te"),
        QStringLiteral("back\\slash"), QStringLiteral("=eq"),
        QStringLiteral("#hash"),       QString::fromUtf8("/M\xC3\xBCller/\xE4\xB8\xAD, x"),
        QStringLiteral("@at"),         QStringLiteral("@@two, @"),
        QStringLiteral("@Invalid()"),
    };
    for (const QString& folder : folders) {
        writeWithQSettings(folder);
        EXPECT_EQ(readFolder(), folder.toStdString()) << fileBytes();
    }
}

TEST_F(UserSettingsFileTest, FolderWrittenByQSettingsAsBytesComesBackAsTheseBytes) {
    for (const QByteArray& folder : {QByteArray("/srv/bytes, b"), QByteArray("/M\xFCller \x01")}) {
        writeWithQSettings(folder);
        EXPECT_EQ(readFolder(), folder.toStdString()) << fileBytes();
    }
}

TEST_F(UserSettingsFileTest, FolderLimitCountsUtf8Bytes) {
    std::string folder;
    for (int i = 0; i < 129; ++i) {
        folder += "\xC3\xBC";
    }
    writeFile("InstallFolder=" + folder + "a\n");  // 259 bytes
    EXPECT_EQ(readFolder(), folder + "a");
    writeFile("InstallFolder=" + folder + "\xC3\xBC\n");  // 260 bytes
    EXPECT_EQ(readFolder(), "");
}

struct CountText {
    const char* name;
    std::string stored;
    int32_t expected;
};
constexpr int32_t kDefault = -777;

class StoredCountTextTest : public UserSettingsFileTest,
                            public testing::WithParamInterface<CountText> {};

TEST_P(StoredCountTextTest, ReadsAsNumberOrDefault) {
    writeFile("replay_maxframes=" + GetParam().stored + "\n");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", kDefault), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StoredCountTextTest,
    testing::Values(CountText{"Zero", "0", 0}, CountText{"Negative", "-7", -7},
                    CountText{"AboveThousand", "5000", 5000}, CountText{"LeadingZeros", "0042", 42},
                    CountText{"Largest", "2147483647", INT32_MAX},
                    CountText{"Smallest", "-2147483648", INT32_MIN},
                    CountText{"TooLarge", "2147483648", kDefault},
                    CountText{"TooSmall", "-2147483649", kDefault},
                    CountText{"ManyDigits", "99999999999999999999999", kDefault},
                    CountText{"Letters", "abc", kDefault}, CountText{"Empty", "", kDefault},
                    CountText{"TrailingLetters", "12abc", kDefault},
                    CountText{"Hex", "0x10", kDefault}, CountText{"Plus", "+5", kDefault},
                    CountText{"InnerBlank", "1 2", kDefault},
                    CountText{"Fraction", "1.5", kDefault}, CountText{"List", "1,2", kDefault},
                    CountText{"LoneMinus", "-", kDefault}, CountText{"BlanksAround", "  34  ", 34},
                    CountText{"QuotedBlanksAround", "\" \t56 \"", 56}),
    [](const testing::TestParamInfo<CountText>& param) { return param.param.name; });

TEST_F(UserSettingsFileTest, ADamagedLineLeavesTheNextSettingAlone) {
    writeFile("InstallFolder=\"/data/x\nreplay_maxframes=5\n");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 5);
    writeFile("InstallFolder=/data/x\\\r\nreplay_maxframes=6\r\n");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 6);
}

TEST_F(UserSettingsFileTest, NumberStoredAsQtVariantIsRead) {
    writeFile("replay_maxframes=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 5);
    writeFile("replay_maxframes=@Variant(junk)\n");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
}

TEST_F(UserSettingsFileTest, EveryReadSeesTheFileAsItIsNow) {
    writeFile("InstallFolder=/first\nreplay_maxframes=20\n");
    EXPECT_EQ(readFolder(), "/first");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 20);

    writeFile("InstallFolder=/second/root\nreplay_maxframes=300\n");
    EXPECT_EQ(readFolder(), "/second/root");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 300);

    // Same size as before: only the modification time tells the contents changed.
    writeFile("InstallFolder=/second/ROOT\nreplay_maxframes=400\n");
    fs::last_write_time(m_file, fs::last_write_time(m_file) + std::chrono::seconds(5));
    EXPECT_EQ(readFolder(), "/second/ROOT");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 400);

    fs::remove(m_file);
    EXPECT_EQ(readFolder(), "");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
}

TEST_F(UserSettingsFileTest, ReadingLeavesTheFileAndFolderUntouched) {
    const std::string original =
        "; written by hand\n[General]\nInstallFolder = /srv/a, b \nreplay_maxframes=  12\n"
        "Other=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n";
    writeFile(original);
    readFolder();
    ReadSettingDword("replay_maxframes", 1000);
    ReadSettingDword("Other", 1000);
    EXPECT_EQ(fileBytes(), original);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"Dravenor.conf"});
}

}  // namespace
}  // namespace kelvista
