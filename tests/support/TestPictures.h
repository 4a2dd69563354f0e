#pragma once

#include <cstdint>

#include <QImage>

namespace kelvista::test {

// A picture with a different colour in every pixel, so that any misplaced row or channel shows.
QImage PatternPicture(int width, int height, int seed);

// The small test picture: 3 x 2 pixels, red green blue over white black grey.
QImage SmallPicture();

// A picture of one colour that differs from frame to frame and session to session.
QImage FramePicture(int width, int height, int32_t session, int32_t frame);
QRgb FrameColour(int32_t session, int32_t frame);

}  // namespace kelvista::test
