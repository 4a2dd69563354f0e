#include "TestPictures.h"

namespace kelvista::test {

QImage PatternPicture(int width, int height, int seed) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setPixel(x, y,
                             qRgb((x * 37 + seed * 11) & 0xFF, (y * 59 + seed) & 0xFF,
                                  (x * y + seed * 3 + 17) & 0xFF));
        }
    }
    return picture;
}

QImage SmallPicture() {
    static const QRgb colours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF},
                                       {0xFFFFFF, 0x000000, 0x808080}};
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            picture.setPixel(x, y, colours[y][x]);
        }
    }
    return picture;
}

QRgb FrameColour(int32_t session, int32_t frame) {
    const auto f = static_cast<uint32_t>(frame);
    const auto s = static_cast<uint32_t>(session);
    return qRgb(static_cast<int>(f * 37u % 256u), static_cast<int>(s * 53u % 256u),
                static_cast<int>((f >> 8) % 256u));
}

QImage FramePicture(int width, int height, int32_t session, int32_t frame) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(FrameColour(session, frame));
    return picture;
}

}  // namespace kelvista::test
