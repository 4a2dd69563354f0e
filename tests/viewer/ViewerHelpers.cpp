#include "ViewerHelpers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace kelvista::test {

bool ScriptedQuestions::AskValue(QWidget* /*owner*/, const QString& title, const QString& label,
                                 QString& valueInOut) {
    asked.push_back({title, label, valueInOut});
    if (answers.empty()) {
        return false;
    }
    const std::optional<QString> answer = answers.front();
    answers.pop_front();
    if (!answer) {
        return false;
    }
    valueInOut = *answer;
    return true;
}

void ScriptedQuestions::ShowMessage(QWidget* /*owner*/, const QString& caption,
                                    const QString& text) {
    messages.push_back({caption, text});
}

PaintCounter::PaintCounter(QWidget* widget) : QObject(widget) {
    widget->installEventFilter(this);
}

int PaintCounter::TakePaints() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const int paints = m_paints;
    m_paints = 0;
    return paints;
}

bool PaintCounter::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        ++m_paints;
    }
    return false;
}

void WhenModalShows(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(modal));
        // A dialog over an active window may share its activation; make it the active one.
        modal->activateWindow();
        for (int tries = 0; tries < 100 && QApplication::activeWindow() != modal; ++tries) {
            QTest::qWait(10);
        }
        ASSERT_EQ(QApplication::activeWindow(), modal);
        act(modal);
    });
    QTimer::singleShot(5000, [] {
        while (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
}

}  // namespace kelvista::test
