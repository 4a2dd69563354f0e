#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "MissingReplayFolder.h"
#include "ReplayLayout.h"
#include "UserSettingsFolder.h"

namespace kelvista {
namespace {

namespace fs = std::filesystem;

ReplayRootFacts Facts(SettingsFileState::Outcome outcome, std::optional<std::string> folder,
                      std::string replayFolder, std::string problem = "") {
    ReplayRootFacts facts;
    facts.settingsFile.outcome = outcome;
    facts.settingsFile.location = "/home/u/.config/Dravenor.conf";
    facts.settingsFile.problem = std::move(problem);
    facts.installFolder = std::move(folder);
    facts.replayFolder = std::move(replayFolder);
    return facts;
}

using Outcome = SettingsFileState::Outcome;

TEST(MissingReplayFolderTest, NamesTheFirstCauseThatApplies) {
    EXPECT_EQ(MissingReplayFolderText(
                  Facts(Outcome::Refused, std::nullopt, "/replay", "Permission denied")),
              "no replay folder: cannot read the settings file /home/u/.config/Dravenor.conf: "
              "Permission denied");
    EXPECT_EQ(MissingReplayFolderText(Facts(Outcome::Read, std::nullopt, "/replay")),
              "no replay folder at /replay (InstallFolder is not set)");
    EXPECT_EQ(MissingReplayFolderText(Facts(Outcome::Read, "", "/replay")),
              "no replay folder at /replay (InstallFolder is not set)");
    EXPECT_EQ(MissingReplayFolderText(Facts(Outcome::Absent, std::nullopt, "/replay")),
              "no replay folder at /replay (InstallFolder is not set; there is no settings file "
              "/home/u/.config/Dravenor.conf)");
    EXPECT_EQ(MissingReplayFolderText(Facts(Outcome::Read, "/srv/r", "/srv/r/replay")),
              "no replay folder at /srv/r/replay");
    // A value that was read shows the file was readable when it was read.
    EXPECT_EQ(MissingReplayFolderText(Facts(Outcome::Refused, "/srv/r", "/srv/r/replay", "x")),
              "no replay folder at /srv/r/replay");
}

TEST(MissingReplayFolderTest, RootTooLongForItsReplayFolderSaysTheLimit) {
    // "<root>/replay" takes the root's length plus 7 bytes, and a path holds at most 259.
    const std::string fits(252, 'r');
    EXPECT_EQ(MissingReplayFolderText(Facts(Outcome::Read, fits, fits + "/replay")),
              "no replay folder at " + fits + "/replay");
    for (const size_t length : {size_t{253}, size_t{259}, size_t{300}}) {
        const std::string root(length, 'r');
        EXPECT_EQ(MissingReplayFolderText(Facts(Outcome::Read, root, "")),
                  "no replay folder: InstallFolder is too long (" + std::to_string(length) +
                      " bytes): its replay folder's path would be " + std::to_string(length + 7) +
                      " bytes, over the 259-byte limit of a path");
    }
}

// The facts gathered from the user's real settings file ($XDG_CONFIG_HOME, fresh from main()).
class CurrentReplayRootFactsTest : public test::UserSettingsFolderTest {
protected:
    CurrentReplayRootFactsTest() : UserSettingsFolderTest(true) {}
    void WriteSettings(const std::string& text) const {
        std::ofstream(m_file, std::ios::binary | std::ios::trunc) << text;
    }
};

TEST_F(CurrentReplayRootFactsTest, TellEachCauseApart) {
    fs::remove(m_file);
    EXPECT_EQ(MissingReplayFolderText(CurrentReplayRootFacts()),
              "no replay folder at /replay (InstallFolder is not set; there is no settings file " +
                  m_file.string() + ")");

    ASSERT_EQ(::mkfifo(m_file.c_str(), 0600), 0);
    EXPECT_EQ(MissingReplayFolderText(CurrentReplayRootFacts()),
              "no replay folder: cannot read the settings file " + m_file.string() +
                  ": not a regular file (a named pipe)");
    fs::remove(m_file);

    WriteSettings("replay_maxframes=5\n");
    EXPECT_EQ(MissingReplayFolderText(CurrentReplayRootFacts()),
              "no replay folder at /replay (InstallFolder is not set)");

    const std::string tooLong = "/" + std::string(299, 'r');
    WriteSettings("InstallFolder=" + tooLong + "\n");
    const ReplayRootFacts facts = CurrentReplayRootFacts();
    EXPECT_EQ(facts.installFolder, tooLong) << "read whole, beyond what a path can hold";
    EXPECT_NE(MissingReplayFolderText(facts).find("too long (300 bytes)"), std::string::npos);

    const std::string root = (m_folder / "root").string();
    WriteSettings("InstallFolder=" + root + "\n");
    EXPECT_EQ(MissingReplayFolderText(CurrentReplayRootFacts()),
              "no replay folder at " + root + "/replay");
}

}  // namespace
}  // namespace kelvista
