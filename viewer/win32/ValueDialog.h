#pragma once

// The value dialog on template 133: a caption, a one-line label and an edit field whose text is
// handed back when the user confirms. Modal, owned by the given window.

#include <string>

#include <windows.h>

namespace kelvista::win32 {

struct ValueDialog {
    std::string m_strTitle;
    std::string m_strValue = "0.000";
    std::string m_strLabel;

    // IDOK when confirmed with OK or Enter (m_strValue then holds the edited text); any other
    // result when cancelled, closed or not created.
    INT_PTR DoModal(HWND owner);
};

}  // namespace kelvista::win32
