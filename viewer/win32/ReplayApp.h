#pragma once

// The application of the Win32 shell: it creates the main window, runs the message loop with
// accelerator table 128, and sizes the main window for the view.

#include <windows.h>

#include "MainFrame.h"

namespace kelvista::win32 {

class ReplayApp {
public:
    // Creates and shows the main window on the info screen. False when it cannot be created.
    bool InitInstance();
    // The message loop, until the main window closes; the program's exit code.
    int Run();

    // Grows the main window by dx, dy keeping its place; it comes to the top. Returns 0.
    int ResizeMainWindowBy(int dx, int dy);

private:
    CMainFrame m_mainFrame;
    HACCEL m_hAccel = nullptr;
};

// The one application object.
ReplayApp& TheApp();

}  // namespace kelvista::win32
