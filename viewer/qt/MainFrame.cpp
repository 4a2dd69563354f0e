#include "MainFrame.h"

#include <algorithm>

#include <QEvent>
#include <QResizeEvent>
#include <QShortcut>
#include <QTimer>

namespace kelvista {

namespace {

// A window length grown or shrunk by `delta`, kept within what a widget can be.
int ClampedLength(int length, int delta) {
    const long long wanted = static_cast<long long>(length) + delta;
    return static_cast<int>(std::clamp<long long>(wanted, 0, QWIDGETSIZE_MAX));
}

}  // namespace

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
    for (const ReplayView::Command& command : ReplayView::kCommands) {
        auto* shortcut = new QShortcut(QKeySequence(command.key), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int id = command.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { OnCmdMsg(id); });
    }
}

bool CMainFrame::OnCmdMsg(int id) {
    return m_wndView.OnCmdMsg(id);
}

int CMainFrame::ResizeMainWindowBy(int dx, int dy) {
    // From here on the window's size follows the frames, not the first outer size.
    m_bFirstSizePending = false;
    // The client grows by the same amount as the outer frame; resize() leaves the position.
    resize(ClampedLength(width(), dx), ClampedLength(height(), dy));
    raise();
    activateWindow();
    return 0;
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

void CMainFrame::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Leaving out the maximise button is not enough: a window manager's shortcut or title-bar
    // double-click on X11, and the maximise button Qt's own Wayland title bar always draws, still
    // maximise the window. Refusing the state hands the window back to the window system in its
    // normal state, which puts back the position and size it had before. The refusal waits for
    // the event loop: a Wayland compositor that has not yet seen the maximised size committed
    // takes an immediate "unmaximise" for no change and never restores the window.
    if (event->type() == QEvent::WindowStateChange && isMaximized()) {
        QTimer::singleShot(0, this, [this] {
            if (isMaximized()) {
                setWindowState(windowState() & ~Qt::WindowMaximized);
            }
        });
    }
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
