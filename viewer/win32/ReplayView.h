#pragma once

// The view window of the Win32 shell: a child that fills the main window. It paints the info
// screen with DrawTextA, or the held frame with one BitBlt from its memory drawing context,
// whose DIB section holds the last frame that loaded; the view logic decides everything else.

#include <string>

#include <windows.h>

#include "ReplayViewLogic.h"

namespace kelvista::win32 {

class ReplayView : private ViewShell, public ReplayViewLogic {
public:
    ReplayView();
    ~ReplayView() override;
    ReplayView(const ReplayView&) = delete;
    ReplayView& operator=(const ReplayView&) = delete;

    // Registers the view's window class and creates the view as `parent`'s child. False on
    // failure.
    bool Create(HWND parent);
    HWND Window() const { return m_hWnd; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();

    // ViewShell
    void SetMainWindowText(const std::string& text) override;
    ClientSize ViewClientSize() override;
    void ResizeMainWindowBy(int dx, int dy) override;
    void ShowMessage(const char* caption, const std::string& text) override;
    bool AskValue(const char* title, const char* label, std::string& value) override;
    void Invalidate(bool erase) override;
    DibSection SelectFrame(BitmapHandle bitmap) override;

    HWND m_hWnd = nullptr;
    HDC m_hMemDC = nullptr;         // compatible with the screen; holds the frame's DIB section
    HBITMAP m_hFrameDib = nullptr;  // the DIB section selected into m_hMemDC, once a frame loaded
    HGDIOBJ m_hPlaceholder = nullptr;  // the context's own first bitmap, never released
    DibSection m_held;                 // the pixels of m_hFrameDib
};

}  // namespace kelvista::win32
