#pragma once

#include <QIcon>

namespace kelvista {

// The program icon with its 32 x 32 and 16 x 16 pictures, from the program's resources.
QIcon ProgramIcon();

}  // namespace kelvista
