#include "ReplayView.h"

#include <algorithm>
#include <cstring>

#include "ReplayApp.h"
#include "Resource.h"
#include "ValueDialog.h"

namespace kelvista::win32 {

namespace {

constexpr char kViewClassName[] = "KelvistaReplayView";

// A 32-bit DIB section of width x height, stored bottom-up; nullptr when it cannot be made.
HBITMAP CreateFrameDib(int32_t width, int32_t height, uint8_t** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    void* pixels = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    ReleaseDC(nullptr, screen);
    *bits = static_cast<uint8_t*>(pixels);
    return pixels != nullptr ? dib : nullptr;
}

}  // namespace

ReplayView::ReplayView() : ReplayViewLogic(static_cast<ViewShell&>(*this)) {
    m_hMemDC = CreateCompatibleDC(nullptr);
}

ReplayView::~ReplayView() {
    if (m_hMemDC != nullptr) {
        // The frame's DIB section can go only once it is out of the context.
        if (m_hPlaceholder != nullptr) {
            SelectObject(m_hMemDC, m_hPlaceholder);
        }
        DeleteDC(m_hMemDC);
    }
    if (m_hFrameDib != nullptr) {
        DeleteObject(m_hFrameDib);
    }
}

bool ReplayView::Create(HWND parent) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kViewClassName;
    if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    m_hWnd = CreateWindowExA(0, kViewClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDW_PANE_FIRST)),
                             instance, this);
    return m_hWnd != nullptr && m_hMemDC != nullptr;
}

LRESULT CALLBACK ReplayView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ReplayView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_PAINT) {
        self->OnPaint();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void ReplayView::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    RECT client;
    GetClientRect(m_hWnd, &client);
    if (m_mode == ViewMode::Frame) {
        // One copy of what the frame covers; the window's colour where the client is larger.
        const int width = std::min<int>(client.right, m_dib.width);
        const int height = std::min<int>(client.bottom, m_dib.height);
        if (width > 0 && height > 0) {
            BitBlt(dc, 0, 0, width, height, m_hMemDC, 0, 0, SRCCOPY);
        }
        HBRUSH background = GetSysColorBrush(COLOR_WINDOW);
        const RECT right{std::max(width, 0), 0, client.right, client.bottom};
        const RECT below{0, std::max(height, 0), std::max(width, 0), client.bottom};
        FillRect(dc, &right, background);
        FillRect(dc, &below, background);
    } else {
        const std::string text = InfoScreenText();
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client, 0);
    }
    EndPaint(m_hWnd, &paint);
}

void ReplayView::SetMainWindowText(const std::string& text) {
    // The caption's bytes as read, in the system's code page.
    SetWindowTextA(GetParent(m_hWnd), text.c_str());
}

ClientSize ReplayView::ViewClientSize() {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    return {client.right - client.left, client.bottom - client.top};
}

void ReplayView::ResizeMainWindowBy(int dx, int dy) {
    TheApp().ResizeMainWindowBy(dx, dy);
}

void ReplayView::ShowMessage(const char* caption, const std::string& text) {
    MessageBoxA(m_hWnd, text.c_str(), caption, MB_OK);
}

bool ReplayView::AskValue(const char* title, const char* label, std::string& value) {
    ValueDialog dialog;
    dialog.m_strTitle = title;
    dialog.m_strLabel = label;
    dialog.m_strValue = value;
    if (dialog.DoModal(GetParent(m_hWnd)) != IDOK) {
        return false;
    }
    value = dialog.m_strValue;
    return true;
}

void ReplayView::Invalidate(bool erase) {
    InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE);
}

DibSection ReplayView::SelectFrame(BitmapHandle bitmap) {
    DibSection loaded;
    uint8_t* bits = nullptr;
    HBITMAP dib = GetDibSection(bitmap.get(), loaded)
                      ? CreateFrameDib(loaded.width, loaded.height, &bits)
                      : nullptr;
    if (dib == nullptr) {
        return m_held;  // nothing new on the surface: the held frame goes on showing
    }
    // The loader's rows are top-down, the section's bottom-up: the last row is stored first.
    const size_t rowBytes = static_cast<size_t>(loaded.width) * 4;
    for (int32_t row = 0; row < loaded.height; ++row) {
        std::memcpy(bits + rowBytes * static_cast<size_t>(loaded.height - 1 - row),
                    loaded.bits + static_cast<size_t>(loaded.bytesPerRow) * row, rowBytes);
    }
    HGDIOBJ previous = SelectObject(m_hMemDC, dib);
    if (m_hPlaceholder == nullptr) {
        m_hPlaceholder = previous;
    } else {
        DeleteObject(previous);
    }
    m_hFrameDib = dib;
    m_held.width = loaded.width;
    m_held.height = loaded.height;
    m_held.bytesPerRow = static_cast<int32_t>(rowBytes);
    m_held.bitsPerPixel = 32;
    m_held.bits = bits;
    return m_held;
}

}  // namespace kelvista::win32
