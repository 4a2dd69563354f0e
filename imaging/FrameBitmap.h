#pragma once

#include <cstdint>
#include <memory>

namespace kelvista {

class BmpPixelSource;

// Geometry and pixels of a bitmap, the record GetDibSection fills. Width and height are always
// positive here; rows are stored top-down (row 0 is the top of the picture), bytesPerRow apart.
struct DibSection {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerRow = 0;
    int32_t bitsPerPixel = 0;
    uint8_t* bits = nullptr;
};

// A loaded bitmap: the object a "bitmap handle" owns.
//
// A 32-bit bitmap owns one block of width * height * 4 bytes, blue, green, red, fourth byte,
// top-down, 64-byte aligned, that a QImage of Format_RGB32 can wrap without a copy.
//
// A bitmap freshly read from a file at another depth owns no pixel block: its rows stay in the
// file and are fetched on demand by the conversion (readSourceRows), so a 24-bit file is read once
// straight into the 32-bit result.
class FrameBitmap {
public:
    ~FrameBitmap();
    FrameBitmap(const FrameBitmap&) = delete;
    FrameBitmap& operator=(const FrameBitmap&) = delete;

    // A new zero-filled 32-bit bitmap; nullptr when the size is not positive, exceeds
    // kMaxBitmapBytes, or the memory cannot be had.
    static std::unique_ptr<FrameBitmap> Create32(int32_t width, int32_t height);
    // A bitmap whose rows stay in a file or buffer and are read through `source`.
    static std::unique_ptr<FrameBitmap> FromSource(std::unique_ptr<BmpPixelSource> source);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    int32_t bitsPerPixel() const { return m_bitsPerPixel; }
    // Bytes from one stored row to the next (multiple of 4); 0 for a bitmap without a block.
    int32_t bytesPerRow() const { return m_bytesPerRow; }
    // The pixel block, or nullptr for a bitmap whose rows are still in its source.
    uint8_t* bits() const { return m_bits; }
    // The rows still in the file, or nullptr for a bitmap that owns its pixels.
    BmpPixelSource* source() const { return m_source.get(); }

private:
    FrameBitmap() = default;

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bitsPerPixel = 0;
    int32_t m_bytesPerRow = 0;
    uint8_t* m_bits = nullptr;  // owned, aligned allocation
    std::unique_ptr<BmpPixelSource> m_source;
};

using BitmapHandle = std::unique_ptr<FrameBitmap>;

// Largest 32-bit result the loader will make: 1 GiB.
inline constexpr uint64_t kMaxBitmapBytes = uint64_t{1} << 30;

// Fills `out` from the bitmap; false (and `out` untouched) when there is no bitmap.
bool GetDibSection(const FrameBitmap* bitmap, DibSection& out);

}  // namespace kelvista
