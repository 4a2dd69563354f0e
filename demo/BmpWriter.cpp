#include "BmpWriter.h"

#include <bit>

#include <QFile>
#include <QImage>

namespace kelvista::demo {

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

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

bool IsWholeByte(uint32_t mask) {
    return mask == 0xFFu || mask == 0xFF00u || mask == 0xFF0000u || mask == 0xFF000000u;
}

bool MasksFit(const BmpFormat& format) {
    if (!format.masks) {
        return true;
    }
    const BmpMasks& masks = *format.masks;
    return format.depth == BmpDepth::Rgb32 && IsWholeByte(masks.red) && IsWholeByte(masks.green) &&
           IsWholeByte(masks.blue) && masks.red != masks.green && masks.red != masks.blue &&
           masks.green != masks.blue;
}

// Packs pixels into the 32-bit value a file with these masks stores.
class PixelPacker {
public:
    PixelPacker(const BmpMasks& masks, bool keepAlpha)
        : m_redShift(std::countr_zero(masks.red)),
          m_greenShift(std::countr_zero(masks.green)),
          m_blueShift(std::countr_zero(masks.blue)),
          m_alphaShift(std::countr_zero(~(masks.red | masks.green | masks.blue))),
          m_alphaKept(keepAlpha ? 0xFFu : 0) {}

    uint32_t pack(QRgb rgb) const {
        return (static_cast<uint32_t>(qRed(rgb)) << m_redShift) |
               (static_cast<uint32_t>(qGreen(rgb)) << m_greenShift) |
               (static_cast<uint32_t>(qBlue(rgb)) << m_blueShift) |
               ((static_cast<uint32_t>(qAlpha(rgb)) & m_alphaKept) << m_alphaShift);
    }

private:
    int m_redShift;
    int m_greenShift;
    int m_blueShift;
    int m_alphaShift;
    uint32_t m_alphaKept;
};

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
            const PixelPacker& packer, size_t stride) {
    const size_t start = out.size();
    for (int x = 0; x < width; ++x) {
        const QRgb rgb = pixels[x];
        switch (depth) {
            case BmpDepth::Palette8:
                out.push_back(Index332(rgb));
                break;
            case BmpDepth::Rgb24:
                out.push_back(static_cast<uint8_t>(qBlue(rgb)));
                out.push_back(static_cast<uint8_t>(qGreen(rgb)));
                out.push_back(static_cast<uint8_t>(qRed(rgb)));
                break;
            case BmpDepth::Rgb32:
                PutU32(out, packer.pack(rgb));
                break;
        }
    }
    out.resize(start + stride, 0);
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const QImage& source, const BmpFormat& format) {
    const bool alpha = format.keepAlpha && format.depth == BmpDepth::Rgb32;
    // An opaque image needs no copy for its alpha: RGB32 pixels carry 0xFF in the top byte.
    const QImage image = source.convertToFormat(
        alpha && source.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const int bits = BitsOf(format.depth);
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t paletteBytes = format.depth == BmpDepth::Palette8 ? 256 * 4 : 0;
    const uint64_t maskBytes = format.masks ? 3 * 4 : 0;
    const uint64_t pixelOffset =
        uint64_t{kFileHeaderBytes} + kInfoHeaderBytes + paletteBytes + maskBytes;
    const uint64_t fileSize = pixelOffset + stride * static_cast<uint64_t>(height);
    if (width <= 0 || height <= 0 || fileSize > UINT32_MAX || !MasksFit(format)) {
        return {};
    }

    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(fileSize));
    out.push_back('B');
    out.push_back('M');
    PutU32(out, static_cast<uint32_t>(fileSize));
    PutU32(out, 0);
    PutU32(out, static_cast<uint32_t>(pixelOffset));
    PutU32(out, kInfoHeaderBytes);
    PutU32(out, static_cast<uint32_t>(width));
    // A negative height marks rows stored from the top.
    const int32_t storedHeight = format.order == RowOrder::TopDown ? -height : height;
    PutU32(out, static_cast<uint32_t>(storedHeight));
    PutU16(out, 1);
    PutU16(out, static_cast<uint32_t>(bits));
    PutU32(out, format.masks ? kBiBitfields : kBiRgb);
    PutU32(out, static_cast<uint32_t>(stride * static_cast<uint64_t>(height)));
    PutU32(out, 2835);  // 72 dpi
    PutU32(out, 2835);
    PutU32(out, format.depth == BmpDepth::Palette8 ? 256 : 0);
    PutU32(out, 0);
    const BmpMasks masks = format.masks.value_or(BmpMasks{});
    if (format.masks) {
        PutU32(out, masks.red);
        PutU32(out, masks.green);
        PutU32(out, masks.blue);
    }
    if (format.depth == BmpDepth::Palette8) {
        PutPalette332(out);
    }
    const PixelPacker packer(masks, alpha);
    for (int row = 0; row < height; ++row) {
        const int y = format.order == RowOrder::TopDown ? row : height - 1 - row;
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        PutRow(out, pixels, width, format.depth, packer, static_cast<size_t>(stride));
    }
    return out;
}

bool WriteBmp(const QString& path, const QImage& image, const BmpFormat& format) {
    const std::vector<uint8_t> bytes = EncodeBmp(image, format);
    if (bytes.empty()) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

bool WriteBmp(const QString& path, const QImage& image, BmpDepth depth, RowOrder order) {
    return WriteBmp(path, image, BmpFormat{depth, order, std::nullopt, false});
}

}  // namespace kelvista::demo
