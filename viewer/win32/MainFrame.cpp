#include "MainFrame.h"

#include "AboutDialog.h"
#include "Resource.h"

namespace kelvista::win32 {

namespace {

constexpr char kFrameClassName[] = "KelvistaMainFrame";

// The command ids the accelerator table and the menu issue are the view logic's.
static_assert(IDM_NEXT_FRAME == ID_NEXT_FRAME && IDM_PREV_FRAME == ID_PREV_FRAME &&
              IDM_GOTO_FRAME == ID_GOTO_FRAME && IDM_REFRESH == ID_REFRESH && IDM_STOP == ID_STOP &&
              IDM_MAX_FRAMES == ID_MAX_FRAMES);

}  // namespace

bool CMainFrame::Create() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // No class styles, cursor, background brush or icon: the view covers the whole client area.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kFrameClassName;
    if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    char title[64] = {};
    LoadStringA(instance, IDR_MAINFRAME, title, sizeof title);
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_hWnd = CreateWindowExA(0, kFrameClassName, title, WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX, 0, 0,
                             kFirstOuterWidth, kFirstOuterHeight, nullptr, menu, instance, this);
    if (m_hWnd == nullptr) {
        if (menu != nullptr) {
            DestroyMenu(menu);
        }
        return false;
    }
    // The menu is loaded with the window and removed at once: it is never shown.
    SetMenu(m_hWnd, nullptr);
    if (menu != nullptr) {
        DestroyMenu(menu);
    }
    return true;
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* self = static_cast<CMainFrame*>(create->lpCreateParams);
        self->m_hWnd = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CMainFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->OnMessage(message, wParam, lParam);
}

LRESULT CMainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return m_wndView.Create(m_hWnd) ? 0 : -1;
        case WM_SIZE:
            // The view fills the client area.
            MoveWindow(m_wndView.Window(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_SETFOCUS:
            SetFocus(m_wndView.Window());
            return 0;
        case WM_COMMAND:
            if (m_wndView.OnCmdMsg(LOWORD(wParam))) {
                return 0;
            }
            if (LOWORD(wParam) == IDM_APP_ABOUT) {
                ShowAboutDialog(m_hWnd);
                return 0;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

}  // namespace kelvista::win32
