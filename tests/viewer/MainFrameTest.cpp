#include <gtest/gtest.h>

#include <QLabel>
#include <QMenuBar>
#include <QToolBar>

#include "AboutDialog.h"
#include "ReplayView.h"
#include "ViewerFixture.h"

namespace kelvista {
namespace {

using test::ViewerFixture;

TEST_F(ViewerFixture, MainWindowStartsAt400By300TopLeftWithoutMaximise) {
    Start();
    EXPECT_EQ(Frame().frameGeometry(), QRect(0, 0, 400, 300));
    EXPECT_EQ(Title(), QStringLiteral("kelvista"));
    const Qt::WindowFlags flags = Frame().windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(Frame().findChildren<QMenuBar*>().isEmpty());
    EXPECT_TRUE(Frame().findChildren<QToolBar*>().isEmpty());
    // The view is the only child widget and fills the client area.
    EXPECT_EQ(Frame().findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 1);
    EXPECT_EQ(View().geometry(), Frame().rect());
    const QList<QSize> iconSizes = Frame().windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(32, 32)));
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)));
}

// However the window is asked to maximise (by the widget, or by the window system the way a title
// bar's button asks), it stays in its normal state, where and as large as it was.
TEST_F(ViewerFixture, MaximisingLeavesTheWindowAsItWas) {
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    Frame().ResizeMainWindowBy(-20, 10);
    QCoreApplication::processEvents();
    const QRect before = Frame().geometry();
    for (const bool fromWindowSystem : {false, true}) {
        if (fromWindowSystem) {
            Frame().windowHandle()->setWindowStates(Qt::WindowMaximized);
        } else {
            Frame().showMaximized();
        }
        QTest::qWait(50);
        EXPECT_FALSE(Frame().isMaximized()) << fromWindowSystem;
        EXPECT_FALSE(Frame().windowHandle()->windowStates().testFlag(Qt::WindowMaximized));
        EXPECT_EQ(Frame().geometry(), before) << fromWindowSystem;
        EXPECT_EQ(View().size(), before.size());
    }
}

TEST_F(ViewerFixture, FocusGoesToTheView) {
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    EXPECT_EQ(QApplication::focusWidget(), &View());
    Frame().setFocus();
    EXPECT_EQ(QApplication::focusWidget(), &View());
}

TEST_F(ViewerFixture, ResizeMainWindowByKeepsThePositionAndChangesTheSize) {
    Start();
    Frame().move(30, 40);
    const QSize before = Frame().size();
    EXPECT_EQ(Frame().ResizeMainWindowBy(25, -10), 0);
    EXPECT_EQ(Frame().pos(), QPoint(30, 40));
    EXPECT_EQ(Frame().size(), before + QSize(25, -10));
    EXPECT_EQ(View().size(), Frame().size());
}

// Each of the six keys reaches its command; F2 and F10 open the (scripted) dialogs.
TEST_F(ViewerFixture, TheSixKeysRunTheirCommands) {
    tree.addFrame({.session = 0, .frame = 0});
    tree.addFrame({.session = 0, .frame = 1});
    tree.addFrame({.session = 0, .frame = 999});
    Start(1000);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));

    QTest::keyClick(&View(), Qt::Key_Tab);
    EXPECT_EQ(View().m_nFrame, 1);
    QTest::keyClick(&View(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(View().m_nFrame, 0);
    QTest::keyClick(&View(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(View().m_nFrame, 999);
    QTest::keyClick(&View(), Qt::Key_F2);
    EXPECT_EQ(questions->asked.size(), 1u);
    QTest::keyClick(&View(), Qt::Key_F10);
    ASSERT_EQ(questions->asked.size(), 2u);
    EXPECT_EQ(questions->asked[1].title, QStringLiteral("Select Max Frames"));
    paints->TakePaints();
    QTest::keyClick(&View(), Qt::Key_F5);
    EXPECT_GT(paints->TakePaints(), 0);
    QTest::keyClick(&View(), Qt::Key_Escape);
    EXPECT_EQ(View().m_mode, ViewMode::Info);
    EXPECT_EQ(QApplication::focusWidget(), &View());
}

TEST_F(ViewerFixture, OtherKeysDoNothing) {
    tree.addFrame({.session = 0, .frame = 1});
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    paints->TakePaints();
    const QSize client = Client();
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Space, Qt::NoModifier},
                                         {Qt::Key_Return, Qt::NoModifier},
                                         {Qt::Key_A, Qt::NoModifier},
                                         {Qt::Key_F1, Qt::NoModifier},
                                         {Qt::Key_F3, Qt::NoModifier},
                                         {Qt::Key_F11, Qt::NoModifier},
                                         {Qt::Key_Right, Qt::NoModifier},
                                         {Qt::Key_PageDown, Qt::NoModifier},
                                         {Qt::Key_Tab, Qt::ControlModifier},
                                         {Qt::Key_F2, Qt::ShiftModifier},
                                         {Qt::Key_F5, Qt::ControlModifier}}) {
        QTest::keyClick(&View(), key, modifiers);
    }
    EXPECT_EQ(View().m_mode, ViewMode::Info);
    EXPECT_EQ(View().m_nFrame, 0);
    EXPECT_TRUE(questions->asked.empty());
    EXPECT_EQ(Title(), QStringLiteral("kelvista"));
    EXPECT_EQ(Client(), client);
    EXPECT_EQ(paints->TakePaints(), 0);
    EXPECT_EQ(QApplication::focusWidget(), &View());
}

TEST_F(ViewerFixture, ViewerKeysDoNotActWhileADialogIsOpen) {
    tree.addFrame({.session = 0, .frame = 1});
    Start(std::nullopt, true);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    bool shown = false;
    test::WhenModalShows([&](QWidget* dialog) {
        shown = true;
        QWidget* edit = QApplication::focusWidget();
        // Keys as the window system delivers them: to the dialog, and to the blocked main window.
        QTest::keyClick(dialog->windowHandle(), Qt::Key_F10);
        QTest::keyClick(Frame().windowHandle(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        EXPECT_EQ(View().m_nFrame, 0);
        QTest::keyClick(dialog->windowHandle(), Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), edit);
        QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
    });
    QTest::keyClick(&View(), Qt::Key_F2);
    EXPECT_TRUE(shown);
    EXPECT_EQ(View().m_nFrame, 0);
    EXPECT_EQ(View().m_mode, ViewMode::Info);
}

TEST_F(ViewerFixture, AboutBoxShowsNameAndVersion) {
    Start();
    bool shown = false;
    test::WhenModalShows([&shown](QWidget* modal) {
        auto* about = qobject_cast<AboutDialog*>(modal);
        ASSERT_NE(about, nullptr);
        shown = true;
        EXPECT_EQ(about->windowTitle(), QStringLiteral("About kelvista"));
        QStringList texts;
        for (const QLabel* label : about->findChildren<QLabel*>()) {
            texts << label->text();
        }
        EXPECT_TRUE(texts.contains(QStringLiteral("kelvista Version 1.0")));
        QTest::keyClick(about, Qt::Key_Return);
    });
    app->OnAppAbout();
    EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace kelvista
