#pragma once

#include <memory>

namespace kelvista {

class CMainFrame;

// The application: it creates the main window at start-up. A QApplication must exist for its
// whole life.
class ReplayApp {
public:
    ReplayApp();
    ~ReplayApp();
    ReplayApp(const ReplayApp&) = delete;
    ReplayApp& operator=(const ReplayApp&) = delete;

    // Creates and shows the main window on the info screen. True on success.
    bool InitInstance();

    // Shows the About box modally.
    void OnAppAbout();

    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }

private:
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

}  // namespace kelvista
