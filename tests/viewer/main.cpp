#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
    // The widgets are real but nothing needs a screen; CTest sets the same, this covers direct
    // runs and test discovery.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvista"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
