#pragma once

// The main window of the Win32 shell: 400 x 300 at (0, 0), no maximise box, no menu, the view as
// its only child filling the client area. Every command is offered to the view first.

#include <windows.h>

#include "ReplayView.h"

namespace kelvista::win32 {

inline constexpr int kFirstOuterWidth = 400;
inline constexpr int kFirstOuterHeight = 300;

class CMainFrame {
public:
    // Creates the window with string 128 as its title, menu 128 (removed at once) and the view.
    // False when the window or the view cannot be created.
    bool Create();
    HWND Window() const { return m_hWnd; }
    ReplayView& View() { return m_wndView; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    ReplayView m_wndView;
};

}  // namespace kelvista::win32
