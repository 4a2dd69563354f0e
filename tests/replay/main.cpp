#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

// QSettings fixes the user's configuration folder at its first use, and the tests must never see
// the real user's settings: point HOME and XDG_CONFIG_HOME at a fresh folder before anything runs.
int main(int argc, char** argv) {
    char pattern[] = "/tmp/kelvista-replay-tests-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (home == nullptr) {
        return 1;
    }
    const std::string config = std::string(home) + "/config";
    setenv("HOME", home, 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
