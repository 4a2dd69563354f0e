#include <gtest/gtest.h>

#include <QGuiApplication>

// The contact sheet draws text, which needs a QGuiApplication (offscreen under ctest).
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
