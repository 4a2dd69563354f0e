#pragma once

#include <QString>

class QWidget;

namespace kelvista {

// How the view asks the user: the value dialog and the message box. The program shows real
// dialogs; tests script the answers.
class ViewQuestions {
public:
    virtual ~ViewQuestions() = default;

    // Shows a value dialog owned by `owner`'s window with the three texts. True when the user
    // confirmed; `valueInOut` then holds the edited text.
    virtual bool AskValue(QWidget* owner, const QString& title, const QString& label,
                          QString& valueInOut) = 0;

    // A message box owned by `owner` with OK only and no icon.
    virtual void ShowMessage(QWidget* owner, const QString& caption, const QString& text) = 0;
};

// The real dialogs: ValueDialog and QMessageBox, both modal.
class DialogQuestions : public ViewQuestions {
public:
    bool AskValue(QWidget* owner, const QString& title, const QString& label,
                  QString& valueInOut) override;
    void ShowMessage(QWidget* owner, const QString& caption, const QString& text) override;
};

}  // namespace kelvista
