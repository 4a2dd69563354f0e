#pragma once

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

namespace kelvista::test {

// A test of the user's own settings file: $XDG_CONFIG_HOME/Dravenor.conf, in the private folder
// the test main points XDG_CONFIG_HOME at. The folder is removed before and after each test;
// `createFolder` makes it again for tests that need it to exist.
class UserSettingsFolderTest : public testing::Test {
protected:
    explicit UserSettingsFolderTest(bool createFolder = false) : m_createFolder(createFolder) {}

    void SetUp() override {
        const char* config = std::getenv("XDG_CONFIG_HOME");
        ASSERT_NE(config, nullptr);
        m_folder = config;
        m_file = m_folder / "Dravenor.conf";
        std::filesystem::remove_all(m_folder);
        if (m_createFolder) {
            std::filesystem::create_directories(m_folder);
        }
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path m_folder;
    std::filesystem::path m_file;

private:
    bool m_createFolder;
};

}  // namespace kelvista::test
