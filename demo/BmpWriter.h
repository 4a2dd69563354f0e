#pragma once

#include <QString>

class QImage;

namespace kelvista::demo {

enum class BmpDepth { Palette8, Rgb24, Rgb32 };
enum class RowOrder { BottomUp, TopDown };

// Writes `image` as an uncompressed BMP with a 40-byte info header. 8-bit files get a 3-3-2
// colour palette. False when the file cannot be written or the image is too large for the format.
bool WriteBmp(const QString& path, const QImage& image, BmpDepth depth,
              RowOrder order = RowOrder::BottomUp);

}  // namespace kelvista::demo
