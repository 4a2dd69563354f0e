#pragma once

#include <memory>

#include "FrameBitmap.h"

namespace kelvista {

// Turns the bytes of a BMP file into a bitmap, by the route its header names (BmpHeader.h):
//  - 32-bit: a 32-bit bitmap, top-down, read straight into its block (pixels with other than the
//    standard channel masks rewritten as blue, green, red, 0);
//  - 24-bit: a bitmap that keeps `source` and reads its rows when it is converted;
//  - any other recognised depth or compression: a bitmap without pixels, of that depth.
// nullptr for anything that is not a readable BMP file.
BitmapHandle DecodeBmp(std::unique_ptr<BmpPixelSource> source);

}  // namespace kelvista
