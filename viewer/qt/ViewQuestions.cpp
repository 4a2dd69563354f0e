#include <QMessageBox>

#include "ValueDialog.h"
#include "ViewQuestions.h"

namespace kelvista {

namespace {

// Windows hands the activation back to the owner when an owned dialog closes; X servers without a
// window manager do not, and the viewer's window-wide keys only act in the active window.
void ReactivateOwner(QWidget* owner) {
    if (owner != nullptr) {
        owner->window()->activateWindow();
    }
}

}  // namespace

bool DialogQuestions::AskValue(QWidget* owner, const QString& title, const QString& label,
                               QString& valueInOut) {
    ValueDialog dialog(owner != nullptr ? owner->window() : nullptr);
    dialog.m_strTitle = title;
    dialog.m_strLabel = label;
    dialog.m_strValue = valueInOut;
    const int result = dialog.DoModal();
    ReactivateOwner(owner);
    if (result != IDOK) {
        return false;
    }
    valueInOut = dialog.m_strValue;
    return true;
}

void DialogQuestions::ShowMessage(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    // The text is a path, which may hold "<" or "&": never read it as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
    ReactivateOwner(owner);
}

}  // namespace kelvista
