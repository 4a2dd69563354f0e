#include "Icons.h"

namespace kelvista {

QIcon ProgramIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/kelvista-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/icons/kelvista-16.png"), QSize(16, 16));
    return icon;
}

}  // namespace kelvista
