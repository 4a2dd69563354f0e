#include "MainFrame.h"

#include <QEvent>
#include <QResizeEvent>
#include <QShortcut>

#include "ReplayCommands.h"

namespace kelvista {

CMainFrame::CMainFrame()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      m_wndView(this) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(QStringLiteral("kelvista"));
    move(0, 0);
    resize(kFirstOuterWidth, kFirstOuterHeight);
    m_wndView.setGeometry(rect());
    // Whoever gives this window the focus gives it to the view.
    setFocusProxy(&m_wndView);
    BindCommandKeys();
}

void CMainFrame::BindCommandKeys() {
    for (const ReplayCommand& command : kReplayCommands) {
        auto* shortcut = new QShortcut(QKeySequence(command.key), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int id = command.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { OnCmdMsg(id); });
    }
}

bool CMainFrame::OnCmdMsg(int id) {
    return m_wndView.OnCmdMsg(id);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_wndView.setGeometry(rect());
}

bool CMainFrame::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            FitFirstOuterSize();
            break;
        default:
            break;
    }
    return handled;
}

void CMainFrame::FitFirstOuterSize() {
    if (!m_bFirstSizePending || !isVisible()) {
        return;
    }
    const QSize frameExtra = frameGeometry().size() - size();
    if (frameExtra.width() <= 0 && frameExtra.height() <= 0) {
        return;
    }
    m_bFirstSizePending = false;
    resize(kFirstOuterWidth - frameExtra.width(), kFirstOuterHeight - frameExtra.height());
    move(0, 0);
}

}  // namespace kelvista
