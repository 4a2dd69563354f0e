#include "ReplayApp.h"

#include <algorithm>

#include "AboutDialog.h"
#include "Icons.h"
#include "MainFrame.h"

namespace kelvista {

namespace {

ReplayApp* g_theApp = nullptr;

// A window length grown or shrunk by `delta`, kept within what a widget can be.
int ClampedLength(int length, int delta) {
    const long long wanted = static_cast<long long>(length) + delta;
    return static_cast<int>(std::clamp<long long>(wanted, 0, QWIDGETSIZE_MAX));
}

}  // namespace

ReplayApp::ReplayApp() {
    Q_ASSERT(g_theApp == nullptr);
    g_theApp = this;
}

ReplayApp::~ReplayApp() {
    m_pMainWnd.reset();
    g_theApp = nullptr;
}

ReplayApp* ReplayApp::Instance() {
    return g_theApp;
}

QWidget* ReplayApp::MainWindow() const {
    return m_pMainWnd.get();
}

bool ReplayApp::InitInstance() {
    // The platform style already draws dialog controls three-dimensionally, so there is no
    // switch to turn on for that here.
    m_pMainWnd = std::make_unique<CMainFrame>();

    // There is no menu bar to remove: the main window is made without one.
    m_pMainWnd->show();
    m_pMainWnd->activateWindow();
    m_pMainWnd->View().setFocus(Qt::ActiveWindowFocusReason);
    m_pMainWnd->repaint();

    m_pMainWnd->setWindowIcon(ProgramIcon());
    return true;
}

void ReplayApp::OnAppAbout() {
    AboutDialog about(MainWindow());
    about.exec();
}

int ReplayApp::ResizeMainWindowBy(int dx, int dy) {
    CMainFrame* frame = m_pMainWnd.get();
    if (frame == nullptr) {
        return 0;
    }
    // From here on the window's size follows the frames, not the first outer size.
    frame->KeepCurrentSize();
    // The client grows by the same amount as the outer frame; resize() leaves the position.
    frame->resize(ClampedLength(frame->width(), dx), ClampedLength(frame->height(), dy));
    frame->raise();
    frame->activateWindow();
    return 0;
}

}  // namespace kelvista
