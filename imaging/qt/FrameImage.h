#pragma once

#include <QImage>

#include "FrameBitmap.h"

namespace kelvista {

// Wraps the 32-bit block of `dib` as a QImage of Format_RGB32 without copying; the bitmap must
// outlive the image. A null image for anything but a 32-bit block.
QImage FrameImage(const DibSection& dib);

// Sends the loader's trace texts to the logging category "kelvista.imaging" as debug messages,
// which are off unless QT_LOGGING_RULES="kelvista.imaging.debug=true" turns them on.
void RouteTracesToQtLog();

}  // namespace kelvista
