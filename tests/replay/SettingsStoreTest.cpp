#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MemorySettingsSource.h"
#include "ReplayLayout.h"
#include "SettingsStore.h"

namespace kelvista {
namespace {

class SettingsStoreTest : public testing::Test {
protected:
    std::shared_ptr<MemorySettingsSource> m_settings = std::make_shared<MemorySettingsSource>();
    ScopedUserSettings m_scope{m_settings};
};

TEST_F(SettingsStoreTest, NoKeyAtAllGivesEmptyFolderAndDefaultCount) {
    m_settings->setText("InstallFolder", "/r");
    m_settings->setDword("replay_maxframes", 50);
    m_settings->removeKey();
    char buffer[kPathCapacity];
    std::memset(buffer, 'x', sizeof buffer);
    ReadSettingString("InstallFolder", buffer, sizeof buffer);
    EXPECT_EQ(std::vector<char>(buffer, buffer + sizeof buffer),
              std::vector<char>(sizeof buffer, '\0'));
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
}

TEST_F(SettingsStoreTest, FolderOfCapacityMinusOneIsReadWhole) {
    const std::string folder(kPathCapacity - 1, 'f');
    m_settings->setText("InstallFolder", folder);
    char buffer[kPathCapacity];
    EXPECT_EQ(ReadSettingString("InstallFolder", buffer, sizeof buffer), buffer);
    EXPECT_EQ(std::string(buffer), folder);
}

TEST_F(SettingsStoreTest, TooLongFolderGivesEmptyTerminatedTextWithinTheBuffer) {
    m_settings->setText("InstallFolder", std::string(300, 'f'));
    char guarded[kPathCapacity + 16];
    std::memset(guarded, 'x', sizeof guarded);
    ReadSettingString("InstallFolder", guarded, kPathCapacity);
    EXPECT_EQ(std::string(guarded), "");
    EXPECT_EQ(guarded[kPathCapacity - 1], '\0');
    EXPECT_EQ(std::string(guarded + kPathCapacity, 16), std::string(16, 'x'));
}

TEST_F(SettingsStoreTest, TextMustFitWithItsTerminatorOrReadsAsEmpty) {
    m_settings->setText("InstallFolder", "abc");
    char fits[4];
    std::memset(fits, 'x', sizeof fits);
    EXPECT_EQ(std::string(ReadSettingString("InstallFolder", fits, sizeof fits)), "abc");
    char tooSmall[3] = {'x', 'x', 'x'};
    ReadSettingString("InstallFolder", tooSmall, sizeof tooSmall);
    EXPECT_EQ(std::vector<char>(tooSmall, tooSmall + 3), std::vector<char>(3, '\0'))
        << "a text that does not fit is not cut but left out";
    char single[1] = {'x'};
    ReadSettingString("InstallFolder", single, sizeof single);
    EXPECT_EQ(single[0], '\0');
}

class StoredCountTest : public SettingsStoreTest, public testing::WithParamInterface<int32_t> {};

TEST_P(StoredCountTest, IsReturnedUnchanged) {
    m_settings->setDword("replay_maxframes", GetParam());
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), GetParam());
}

INSTANTIATE_TEST_SUITE_P(AnyInt32, StoredCountTest,
                         testing::Values(0, -1, -250, 1, 10, 1000, 1001, 5000, INT32_MAX,
                                         INT32_MIN));

TEST_F(SettingsStoreTest, CountIsReadFromItsTextOrGivesTheDefault) {
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);  // missing value
    m_settings->setText("replay_maxframes", " 50\t");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 50);
    m_settings->setText("replay_maxframes", "50 frames");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 7), 7);
    m_settings->setText("replay_maxframes", "");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 7), 7);
    m_settings->setDword("replay_maxframes", 300);
    m_settings->removeValue("replay_maxframes");
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
}

}  // namespace
}  // namespace kelvista
