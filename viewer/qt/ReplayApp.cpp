#include "ReplayApp.h"

#include "AboutDialog.h"
#include "Icons.h"
#include "MainFrame.h"

namespace kelvista {

ReplayApp::ReplayApp() = default;
ReplayApp::~ReplayApp() = default;

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
    AboutDialog about(m_pMainWnd.get());
    about.exec();
}

}  // namespace kelvista
