#pragma once

#include <QDialog>

namespace kelvista {

// The About box: the program icon, its name and version, and an OK button.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace kelvista
