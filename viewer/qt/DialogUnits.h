#pragma once

#include <QFont>
#include <QRect>

namespace kelvista {

// A dialog's base units: the average character width and the character height of its font.
// One horizontal dialog unit is a quarter of the width, one vertical unit an eighth of the height.
struct DialogBaseUnits {
    int charWidth = 0;
    int charHeight = 0;
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// A rectangle of a dialog template, in dialog units, converted to pixels (rounded to nearest).
QRect DialogUnitsToPixels(const QRect& dialogUnits, DialogBaseUnits units);

}  // namespace kelvista
