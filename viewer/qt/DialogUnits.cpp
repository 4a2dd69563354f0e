#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>

namespace kelvista {

namespace {

// Rounds value * numerator / denominator to the nearest integer (half away from zero).
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    const long long rounded =
        product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int>(rounded);
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    // The average width of the 52 Latin letters, which is how dialog templates measure a font.
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    DialogBaseUnits units;
    units.charWidth = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    units.charHeight = metrics.height();
    return units;
}

QRect DialogUnitsToPixels(const QRect& dialogUnits, DialogBaseUnits units) {
    return QRect(ScaleRounded(dialogUnits.x(), units.charWidth, 4),
                 ScaleRounded(dialogUnits.y(), units.charHeight, 8),
                 ScaleRounded(dialogUnits.width(), units.charWidth, 4),
                 ScaleRounded(dialogUnits.height(), units.charHeight, 8));
}

}  // namespace kelvista
