#pragma once

#include <memory>

class QWidget;

namespace kelvista {

class CMainFrame;

// The application: it creates the main window at start-up and lets the view size and title it.
// Exactly one exists at a time; the view reaches it through Instance(). A QApplication must
// exist for its whole life.
class ReplayApp {
public:
    ReplayApp();
    ~ReplayApp();
    ReplayApp(const ReplayApp&) = delete;
    ReplayApp& operator=(const ReplayApp&) = delete;

    // The one application object, or nullptr when there is none.
    static ReplayApp* Instance();

    // Creates and shows the main window on the info screen. True on success.
    bool InitInstance();

    // Shows the About box modally.
    void OnAppAbout();

    // Changes the main window's size by dx, dy, keeping its position, then brings it to the top
    // and activates it. Returns 0.
    int ResizeMainWindowBy(int dx, int dy);

    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    QWidget* MainWindow() const;

private:
    std::unique_ptr<CMainFrame> m_pMainWnd;
};

}  // namespace kelvista
