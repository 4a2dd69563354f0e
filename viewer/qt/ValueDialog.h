#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvista {

// Dialog results as the callers test them.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The one input box: a caption, a one-line label and an edit field, with OK and Cancel. Callers
// fill the three texts, call DoModal and, on IDOK, read m_strValue.
class ValueDialog : public QDialog {
    Q_OBJECT
public:
    // Control ids of the dialog template, kept as object names.
    static constexpr int kEditId = 1020;
    static constexpr int kLabelId = 1029;
    static constexpr int kMaxLabelChars = 64;

    explicit ValueDialog(QWidget* parent = nullptr);

    // Shows the dialog modally: IDOK when confirmed (OK or Enter), IDCANCEL otherwise.
    int DoModal();

    QString m_strTitle;
    QString m_strValue = QStringLiteral("0.000");
    QString m_strLabel;

    QLineEdit* editField() const { return m_edit; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* label() const { return m_label; }

protected:
    // Moves the texts into the controls, sets the caption and focuses the edit with all its
    // text selected, so typing replaces the value.
    virtual bool OnInitDialog();
    // Moves the texts between the members and the controls; when saving, validates the label.
    // False when the validation failed (the user has been told).
    bool DoDataExchange(bool saveAndValidate);

    void accept() override;

private:
    void LayOutFromTemplate();

    QLineEdit* m_edit;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QLabel* m_label;
};

}  // namespace kelvista
