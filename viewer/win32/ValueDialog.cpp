#include "ValueDialog.h"

#include "Resource.h"

namespace kelvista::win32 {

namespace {

// The text of a dialog control, whatever its length.
std::string ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) {
        return std::string();
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

INT_PTR CALLBACK ValueDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* self = reinterpret_cast<ValueDialog*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            SetDlgItemTextA(dialog, IDC_VALUE_EDIT, self->m_strValue.c_str());
            SetDlgItemTextA(dialog, IDC_VALUE_LABEL, self->m_strLabel.c_str());
            SetWindowTextA(dialog, self->m_strTitle.c_str());
            // TRUE: the dialog manager focuses the edit field, its whole text selected.
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* self = reinterpret_cast<ValueDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
                self->m_strValue = ControlText(dialog, IDC_VALUE_EDIT);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

INT_PTR ValueDialog::DoModal(HWND owner) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_VALUE), owner,
                           ValueDialogProc, reinterpret_cast<LPARAM>(this));
}

}  // namespace kelvista::win32
