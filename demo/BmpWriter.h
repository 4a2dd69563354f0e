#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

class QImage;

namespace kelvista::demo {

enum class BmpDepth { Palette8, Rgb24, Rgb32 };
enum class RowOrder { BottomUp, TopDown };

// Where a 32-bit pixel keeps each channel: each mask is a different one of its four bytes.
struct BmpMasks {
    uint32_t red = 0x00FF0000u;
    uint32_t green = 0x0000FF00u;
    uint32_t blue = 0x000000FFu;
};

struct BmpFormat {
    BmpDepth depth = BmpDepth::Rgb24;
    RowOrder order = RowOrder::BottomUp;
    // 32-bit only: stores these masks after the 40-byte info header (BI_BITFIELDS) and packs
    // each pixel by them instead of as blue, green, red, fourth byte.
    std::optional<BmpMasks> masks;
    // 32-bit only: the byte no mask covers (the top one without masks) holds the image's alpha
    // instead of 0.
    bool keepAlpha = false;
};

// The whole file: an uncompressed BMP with a 40-byte info header. 8-bit files get a 3-3-2 colour
// palette. Empty when the image is empty or too large for the format, or the masks are not three
// different bytes of a 32-bit pixel.
std::vector<uint8_t> EncodeBmp(const QImage& image, const BmpFormat& format);

// Writes EncodeBmp's bytes to `path`. False when the file cannot be written or there is nothing
// to write.
bool WriteBmp(const QString& path, const QImage& image, const BmpFormat& format);
bool WriteBmp(const QString& path, const QImage& image, BmpDepth depth,
              RowOrder order = RowOrder::BottomUp);

}  // namespace kelvista::demo
