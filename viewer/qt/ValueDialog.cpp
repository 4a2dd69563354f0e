#include "ValueDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QValidator>

#include "DialogUnits.h"

namespace kelvista {

namespace {

// The template's edit field does not scroll horizontally: typing stops once the text fills the
// field's visible width.
class FitsFieldValidator : public QValidator {
public:
    explicit FitsFieldValidator(QLineEdit* field) : QValidator(field), m_field(field) {}

    State validate(QString& input, int& /*pos*/) const override {
        const int frame =
            m_field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_field);
        const QMargins margins = m_field->textMargins();
        // QLineEdit keeps a 2-pixel margin on each side and needs one pixel for the cursor.
        const int usable = m_field->width() - 2 * frame - margins.left() - margins.right() - 5;
        return m_field->fontMetrics().horizontalAdvance(input) <= usable ? Acceptable : Invalid;
    }

private:
    QLineEdit* m_field;
};

}  // namespace

ValueDialog::ValueDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Dialog"));
    // Created in the template's order, which is also the tab order: edit, OK, Cancel, label.
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QString::number(kEditId));
    m_edit->setAlignment(Qt::AlignLeft);
    m_edit->setValidator(new FitsFieldValidator(m_edit));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_label = new QLabel(QStringLiteral("Value"), this);
    m_label->setObjectName(QString::number(kLabelId));
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(m_ok, &QPushButton::clicked, this, &ValueDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &ValueDialog::reject);
    LayOutFromTemplate();
}

void ValueDialog::LayOutFromTemplate() {
    const DialogBaseUnits units = BaseUnitsOf(font());
    m_edit->setGeometry(DialogUnitsToPixels(QRect(4, 20, 132, 15), units));
    m_ok->setGeometry(DialogUnitsToPixels(QRect(4, 40, 67, 15), units));
    m_cancel->setGeometry(DialogUnitsToPixels(QRect(76, 40, 60, 15), units));
    m_label->setGeometry(DialogUnitsToPixels(QRect(4, 4, 132, 10), units));
    setFixedSize(DialogUnitsToPixels(QRect(0, 0, 140, 61), units).size());
}

int ValueDialog::DoModal() {
    if (!OnInitDialog()) {
        return IDCANCEL;
    }
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

bool ValueDialog::OnInitDialog() {
    DoDataExchange(false);
    setWindowTitle(m_strTitle);
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->selectAll();
    return true;
}

bool ValueDialog::DoDataExchange(bool saveAndValidate) {
    if (!saveAndValidate) {
        m_edit->setText(m_strValue);
        m_label->setText(m_strLabel);
        return true;
    }
    m_strValue = m_edit->text();
    m_strLabel = m_label->text();
    if (m_strLabel.size() > kMaxLabelChars) {
        QMessageBox::warning(
            this, QString(),
            QStringLiteral("Please enter no more than %1 characters.").arg(kMaxLabelChars));
        return false;
    }
    return true;
}

void ValueDialog::accept() {
    if (DoDataExchange(true)) {
        QDialog::accept();
    }
}

}  // namespace kelvista
