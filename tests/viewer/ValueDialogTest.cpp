#include <gtest/gtest.h>

#include <string>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "DialogUnits.h"
#include "ValueDialog.h"
#include "ViewQuestions.h"
#include "ViewerHelpers.h"

namespace kelvista {
namespace {

using test::WhenModalShows;

class ValueDialogTest : public testing::Test {
protected:
    QWidget owner;
};

// The dialog opens with the value selected in its field; what is typed replaces it.
struct AskCase {
    const char* name;
    QString title;
    QString label;
    QString value;
    QString typed;
    Qt::Key key;
    bool confirmed;
    QString result;
};

class AskValueTest : public ValueDialogTest, public testing::WithParamInterface<AskCase> {};

TEST_P(AskValueTest, ShowsTheValueSelectedAndAnswersByKey) {
    const AskCase& c = GetParam();
    WhenModalShows([&c](QWidget* modal) {
        auto* dialog = qobject_cast<ValueDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), c.title);
        EXPECT_EQ(dialog->label()->text(), c.label);
        EXPECT_EQ(QApplication::focusWidget(), dialog->editField());
        EXPECT_EQ(dialog->editField()->selectedText(), c.value);
        QTest::keyClicks(dialog->editField(), c.typed);
        QTest::keyClick(dialog->editField(), c.key);
    });
    DialogQuestions questions;
    QString value = c.value;
    EXPECT_EQ(questions.AskValue(&owner, c.title, c.label, value), c.confirmed);
    EXPECT_EQ(value, c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AskValueTest,
    testing::Values(AskCase{"EnterConfirmsWithTheTypedTextInPlaceOfTheSelectedValue",
                            QStringLiteral("Select [session.frame]"),
                            QStringLiteral("[session.frame]"), QStringLiteral("3.7"),
                            QStringLiteral("5.012"), Qt::Key_Return, true, QStringLiteral("5.012")},
                    AskCase{"EscapeCancelsAndLeavesTheValue", QStringLiteral("Select Max Frames"),
                            QStringLiteral("Max Frames (10-1000)"), QStringLiteral("1000"),
                            QStringLiteral("99"), Qt::Key_Escape, false, QStringLiteral("1000")}),
    [](const testing::TestParamInfo<AskCase>& param) { return std::string(param.param.name); });

TEST_F(ValueDialogTest, TabMovesFromEditToOkToCancelAndCancelButtonCancels) {
    ValueDialog dialog(&owner);
    dialog.m_strTitle = QStringLiteral("t");
    WhenModalShows([&dialog](QWidget*) {
        EXPECT_EQ(QApplication::focusWidget(), dialog.editField());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.okButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.cancelButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.editField());
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(ValueDialogTest, LabelOverSixtyFourCharactersIsRefusedAndTheDialogStays) {
    ValueDialog dialog(&owner);
    dialog.m_strLabel = QString(65, QLatin1Char('x'));
    bool refused = false;
    WhenModalShows([&](QWidget*) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            refused = box != nullptr;
            if (box != nullptr) {
                box->accept();
            }
        });
        QTest::keyClick(dialog.editField(), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(refused);
}

// A frame's base path is a file name, never markup: "<b>" and "&amp;" show as written.
TEST_F(ValueDialogTest, MessageShowsItsTextAsPlainText) {
    const QString path = QStringLiteral("/replays/<b>bold</b> &amp; co/replay/session1/frame001");
    bool shown = false;
    WhenModalShows([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shown = true;
        EXPECT_EQ(box->windowTitle(), QStringLiteral("MISSING FRAME (BMP)"));
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), path);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        box->accept();
    });
    DialogQuestions questions;
    questions.ShowMessage(&owner, QStringLiteral("MISSING FRAME (BMP)"), path);
    EXPECT_TRUE(shown);
}

TEST_F(ValueDialogTest, LayoutFollowsTheTemplateInDialogUnits) {
    ValueDialog dialog;
    const DialogBaseUnits units = BaseUnitsOf(dialog.font());
    EXPECT_EQ(dialog.size(), DialogUnitsToPixels(QRect(0, 0, 140, 61), units).size());
    EXPECT_EQ(dialog.editField()->geometry(), DialogUnitsToPixels(QRect(4, 20, 132, 15), units));
    EXPECT_EQ(dialog.okButton()->geometry(), DialogUnitsToPixels(QRect(4, 40, 67, 15), units));
    EXPECT_EQ(dialog.cancelButton()->geometry(), DialogUnitsToPixels(QRect(76, 40, 60, 15), units));
    EXPECT_TRUE(dialog.okButton()->isDefault());
    EXPECT_EQ(dialog.m_strValue, QStringLiteral("0.000"));
}

TEST(DialogUnits, ScaleByQuarterWidthAndEighthHeight) {
    EXPECT_EQ(DialogUnitsToPixels(QRect(4, 20, 132, 15), DialogBaseUnits{6, 13}),
              QRect(6, 33, 198, 24));
    EXPECT_EQ(DialogUnitsToPixels(QRect(140, 61, 0, 0), DialogBaseUnits{8, 16}),
              QRect(280, 122, 0, 0));
}

}  // namespace
}  // namespace kelvista
