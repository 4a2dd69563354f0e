#include <QMessageBox>

#include "ValueDialog.h"
#include "ViewQuestions.h"

namespace kelvista {

bool DialogQuestions::AskValue(QWidget* owner, const QString& title, const QString& label,
                               QString& valueInOut) {
    ValueDialog dialog(owner != nullptr ? owner->window() : nullptr);
    dialog.m_strTitle = title;
    dialog.m_strLabel = label;
    dialog.m_strValue = valueInOut;
    if (dialog.DoModal() != IDOK) {
        return false;
    }
    valueInOut = dialog.m_strValue;
    return true;
}

void DialogQuestions::ShowMessage(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace kelvista
