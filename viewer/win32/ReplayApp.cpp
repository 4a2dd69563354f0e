#include "ReplayApp.h"

#include "Resource.h"

namespace kelvista::win32 {

ReplayApp& TheApp() {
    static ReplayApp app;
    return app;
}

bool ReplayApp::InitInstance() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!m_mainFrame.Create()) {
        return false;
    }
    m_hAccel = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    HWND window = m_mainFrame.Window();
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    return true;
}

int ReplayApp::Run() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(m_mainFrame.Window(), m_hAccel, &message) == 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

int ReplayApp::ResizeMainWindowBy(int dx, int dy) {
    HWND window = m_mainFrame.Window();
    RECT outer{};
    GetWindowRect(window, &outer);
    // No window to insert after and no flag but SWP_NOMOVE: the window keeps its place, comes to
    // the top and is activated.
    SetWindowPos(window, nullptr, 0, 0, (outer.right + dx) - outer.left,
                 (outer.bottom + dy) - outer.top, SWP_NOMOVE);
    return 0;
}

}  // namespace kelvista::win32
