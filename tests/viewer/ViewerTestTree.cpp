#include "ViewerTestTree.h"

#include <cstdio>

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace kelvista::testing_support {

std::string ViewerTestTree::BasePath(int32_t session, int32_t frame) const {
    char relative[64];
    std::snprintf(relative, sizeof relative, "/replay/session%d/frame%03d", session, frame);
    return root() + relative;
}

QRgb ViewerTestTree::ColourOf(int32_t session, int32_t frame) {
    const auto f = static_cast<uint32_t>(frame);
    const auto s = static_cast<uint32_t>(session);
    return qRgb(static_cast<int>(f * 37u % 256u), static_cast<int>(s * 53u % 256u),
                static_cast<int>((f >> 8) % 256u));
}

void ViewerTestTree::Add(const TestFrame& frame) const {
    const std::string base = BasePath(frame.session, frame.frame);
    QDir().mkpath(QFileInfo(QString::fromStdString(base)).path());
    if (frame.withBmp) {
        QImage picture(frame.width, frame.height, QImage::Format_RGB32);
        picture.fill(ColourOf(frame.session, frame.frame));
        demo::WriteBmp(QString::fromStdString(base + ".bmp"), picture, frame.depth);
    }
    if (frame.withHtm) {
        QFile caption(QString::fromStdString(base + ".htm"));
        if (caption.open(QIODevice::WriteOnly)) {
            caption.write(frame.caption.data(), static_cast<qint64>(frame.caption.size()));
            caption.write("\r\nrest of the file\r\n");
        }
    }
}

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

}  // namespace kelvista::testing_support
