#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <QApplication>

// The main of every test suite. QSettings fixes the user's configuration folder at its first use,
// and tests must never see the real user's settings: HOME and XDG_CONFIG_HOME point at a fresh
// folder before anything runs, and the folder goes when the tests are done.
int main(int argc, char** argv) {
    char pattern[] = "/tmp/kelvista-tests-XXXXXX";
    const char* home = mkdtemp(pattern);
    if (home == nullptr) {
        return 1;
    }
    const std::string config = std::string(home) + "/config";
    setenv("HOME", home, 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    // CTest sets the same; this covers direct runs and test discovery, which must never look for
    // a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 1;
    {
        // Widgets need a QApplication; drawing text (contact sheets) needs at least a GUI one.
        QApplication application(argc, argv);
        QApplication::setApplicationName(QStringLiteral("kelvista"));
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
