#include "AboutDialog.h"

#include <QLabel>
#include <QPushButton>

#include "DialogUnits.h"
#include "Icons.h"

namespace kelvista {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("About kelvista"));
    const DialogBaseUnits units = BaseUnitsOf(font());

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(DialogUnitsToPixels(QRect(178, 7, 50, 14), units));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    const QRect iconPlace = DialogUnitsToPixels(QRect(11, 17, 0, 0), units);
    icon->setGeometry(iconPlace.x(), iconPlace.y(), 32, 32);

    auto* name = new QLabel(QStringLiteral("kelvista Version 1.0"), this);
    name->setGeometry(DialogUnitsToPixels(QRect(40, 10, 119, 8), units));
    auto* purpose = new QLabel(QStringLiteral("A keyboard-driven replay viewer"), this);
    purpose->setGeometry(DialogUnitsToPixels(QRect(40, 25, 119, 8), units));

    setFixedSize(DialogUnitsToPixels(QRect(0, 0, 235, 55), units).size());
}

}  // namespace kelvista
