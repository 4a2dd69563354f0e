#include "BmpBytes.h"

#include "BmpWriter.h"

namespace kelvista::test {

namespace {

std::string Encoded(const QImage& picture, demo::BmpDepth depth, bool keepAlpha = false) {
    demo::BmpFormat format;
    format.depth = depth;
    format.keepAlpha = keepAlpha;
    const std::vector<uint8_t> bytes = demo::EncodeBmp(picture, format);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

std::string Bmp24(const QImage& picture) {
    return Encoded(picture, demo::BmpDepth::Rgb24);
}

std::string Bmp32(const QImage& picture) {
    QImage translucent = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(translucent.scanLine(y));
        for (int x = 0; x < translucent.width(); ++x) {
            row[x] = (row[x] & 0x00FFFFFFu) | 0x7F000000u;
        }
    }
    return Encoded(translucent, demo::BmpDepth::Rgb32, true);
}

std::string Bmp8(int width, int height) {
    QImage grey(width, height, QImage::Format_RGB32);
    grey.fill(qRgb(0x80, 0x80, 0x80));
    return Encoded(grey, demo::BmpDepth::Palette8);
}

}  // namespace kelvista::test
