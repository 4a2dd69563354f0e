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

TEST_F(SettingsStoreTest, ReadRegistryValueReportsEachOutcome) {
    m_settings->setText("InstallFolder", "/r");
    uint8_t data[8];
    std::memset(data, 0xAB, sizeof data);
    uint32_t type = 0;
    uint32_t size = sizeof data;

    EXPECT_EQ(
        ReadRegistryValue(*m_settings, "Software\\Other\\", "InstallFolder", &type, data, &size),
        -1);
    EXPECT_EQ(ReadRegistryValue(*m_settings, kSettingsKey, "Missing", &type, data, &size), -2);
    EXPECT_EQ(size, sizeof data);

    ASSERT_EQ(ReadRegistryValue(*m_settings, kSettingsKey, "InstallFolder", &type, data, &size), 0);
    EXPECT_EQ(type, kSettingTypeText);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::memcmp(data, "/r\0", 3), 0);
    EXPECT_EQ(data[3], 0xAB) << "bytes past the value must stay untouched";

    m_settings->removeKey();
    EXPECT_EQ(ReadRegistryValue(*m_settings, kSettingsKey, "InstallFolder", &type, data, &size),
              -1);
}

TEST_F(SettingsStoreTest, ReadRegistryValueNeedsRoomForEveryByte) {
    m_settings->setText("InstallFolder", "abc");  // 4 bytes with the terminator
    uint8_t data[4] = {};
    uint32_t size = 3;
    EXPECT_EQ(ReadRegistryValue(*m_settings, kSettingsKey, "InstallFolder", nullptr, data, &size),
              -2);
    EXPECT_EQ(size, 3u);
    size = 4;
    EXPECT_EQ(ReadRegistryValue(*m_settings, kSettingsKey, "InstallFolder", nullptr, data, &size),
              0);
    EXPECT_STREQ(reinterpret_cast<const char*>(data), "abc");
}

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

TEST_F(SettingsStoreTest, TextIsAlwaysTerminatedEvenWhenItHasNoTerminatorOfItsOwn) {
    m_settings->setRaw("InstallFolder", kSettingTypeText, "abcd");  // no zero byte, fits exactly
    char buffer[4];
    ReadSettingString("InstallFolder", buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer), "abc");  // delivered whole, then cut by the terminator
    char wide[5];
    ReadSettingString("InstallFolder", wide, sizeof wide);
    EXPECT_EQ(std::string(wide), "abcd");
    char single[1] = {'x'};
    ReadSettingString("InstallFolder", single, sizeof single);
    EXPECT_EQ(single[0], '\0');
}

TEST_F(SettingsStoreTest, TextTypeIsNotExamined) {
    m_settings->setRaw("InstallFolder", kSettingTypeDword, std::string("/d\0", 3));
    char buffer[kPathCapacity];
    EXPECT_EQ(std::string(ReadSettingString("InstallFolder", buffer, sizeof buffer)), "/d");
}

class StoredCountTest : public SettingsStoreTest, public testing::WithParamInterface<int32_t> {};

TEST_P(StoredCountTest, IsReturnedUnchanged) {
    m_settings->setDword("replay_maxframes", GetParam());
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), GetParam());
}

INSTANTIATE_TEST_SUITE_P(AnyInt32, StoredCountTest,
                         testing::Values(0, -1, -250, 1, 10, 1000, 1001, 5000, INT32_MAX,
                                         INT32_MIN));

TEST_F(SettingsStoreTest, CountThatIsNotFourBytesGivesTheDefault) {
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);  // missing value
    m_settings->setRaw("replay_maxframes", kSettingTypeDword, std::string("\x05\x00", 2));
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
    m_settings->setText("replay_maxframes", "50");  // "50" and its terminator: 3 bytes
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 1000);
    m_settings->setText("replay_maxframes", "5000");  // 5 bytes: does not fit
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 7), 7);
    m_settings->setRaw("replay_maxframes", kSettingTypeText, std::string("\x2c\x01\0\0", 4));
    EXPECT_EQ(ReadSettingDword("replay_maxframes", 1000), 300) << "the type is not examined";
}

}  // namespace
}  // namespace kelvista
