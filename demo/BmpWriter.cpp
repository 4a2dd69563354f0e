#include "BmpWriter.h"

#include <cstdint>
#include <vector>

#include <QFile>
#include <QImage>

namespace kelvista::demo {

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    PutU16(out, value & 0xFFFFu);
    PutU16(out, value >> 16);
}

int BitsOf(BmpDepth depth) {
    switch (depth) {
        case BmpDepth::Palette8:
            return 8;
        case BmpDepth::Rgb24:
            return 24;
        case BmpDepth::Rgb32:
            return 32;
    }
    return 32;
}

// The palette index of a colour in the 3-3-2 palette: 3 bits red, 3 green, 2 blue.
uint8_t Index332(QRgb rgb) {
    return static_cast<uint8_t>((qRed(rgb) & 0xE0) | ((qGreen(rgb) & 0xE0) >> 3) |
                                (qBlue(rgb) >> 6));
}

void PutPalette332(std::vector<uint8_t>& out) {
    for (uint32_t index = 0; index < 256; ++index) {
        const uint32_t red = (index >> 5) * 255 / 7;
        const uint32_t green = ((index >> 2) & 7) * 255 / 7;
        const uint32_t blue = (index & 3) * 255 / 3;
        out.push_back(static_cast<uint8_t>(blue));
        out.push_back(static_cast<uint8_t>(green));
        out.push_back(static_cast<uint8_t>(red));
        out.push_back(0);
    }
}

void PutRow(std::vector<uint8_t>& out, const QRgb* pixels, int width, BmpDepth depth,
            size_t stride) {
    const size_t start = out.size();
    for (int x = 0; x < width; ++x) {
        const QRgb rgb = pixels[x];
        if (depth == BmpDepth::Palette8) {
            out.push_back(Index332(rgb));
            continue;
        }
        out.push_back(static_cast<uint8_t>(qBlue(rgb)));
        out.push_back(static_cast<uint8_t>(qGreen(rgb)));
        out.push_back(static_cast<uint8_t>(qRed(rgb)));
        if (depth == BmpDepth::Rgb32) {
            out.push_back(0);
        }
    }
    out.resize(start + stride, 0);
}

}  // namespace

bool WriteBmp(const QString& path, const QImage& source, BmpDepth depth, RowOrder order) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const int bits = BitsOf(depth);
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t paletteBytes = depth == BmpDepth::Palette8 ? 256 * 4 : 0;
    const uint64_t pixelOffset = 14 + 40 + paletteBytes;
    const uint64_t fileSize = pixelOffset + stride * static_cast<uint64_t>(height);
    if (width <= 0 || height <= 0 || fileSize > UINT32_MAX) {
        return false;
    }

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(fileSize));
    out.push_back('B');
    out.push_back('M');
    PutU32(out, static_cast<uint32_t>(fileSize));
    PutU32(out, 0);
    PutU32(out, static_cast<uint32_t>(pixelOffset));
    PutU32(out, 40);
    PutU32(out, static_cast<uint32_t>(width));
    // A negative height marks rows stored from the top.
    const int32_t storedHeight = order == RowOrder::TopDown ? -height : height;
    PutU32(out, static_cast<uint32_t>(storedHeight));
    PutU16(out, 1);
    PutU16(out, static_cast<uint32_t>(bits));
    PutU32(out, 0);  // BI_RGB
    PutU32(out, static_cast<uint32_t>(stride * static_cast<uint64_t>(height)));
    PutU32(out, 2835);  // 72 dpi
    PutU32(out, 2835);
    PutU32(out, depth == BmpDepth::Palette8 ? 256 : 0);
    PutU32(out, 0);
    if (depth == BmpDepth::Palette8) {
        PutPalette332(out);
    }
    for (int row = 0; row < height; ++row) {
        const int y = order == RowOrder::TopDown ? row : height - 1 - row;
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        PutRow(out, pixels, width, depth, static_cast<size_t>(stride));
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const auto size = static_cast<qint64>(out.size());
    return file.write(reinterpret_cast<const char*>(out.data()), size) == size;
}

}  // namespace kelvista::demo
