#include <gtest/gtest.h>

#include <QGuiApplication>

// The contact sheet draws text, which needs a QGuiApplication (offscreen under ctest).
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Test discovery runs this without the tests' environment: never look for a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
