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
// top-down, page aligned (PixelBlock.h), that a QImage of Format_RGB32 can wrap without a copy.
// The loader writes 0xFF in every fourth byte, as Format_RGB32 requires: drawn onto a target with
// an alpha channel, the frame is opaque.
//
// A bitmap freshly read from a file at another depth owns no pixel block: its rows stay in the
// file and are fetched on demand by the conversion (through source()), so a 24-bit file is read
// once straight into the 32-bit result. A bitmap of a depth or compression the loader does not
// decode has neither a block nor a source: it only tells its geometry and depth.
class FrameBitmap {
public:
    ~FrameBitmap();
    FrameBitmap(const FrameBitmap&) = delete;
    FrameBitmap& operator=(const FrameBitmap&) = delete;

    // A new zero-filled 32-bit bitmap; nullptr when the size is not positive, exceeds
    // kMaxBitmapBytes, or the memory cannot be had. `sourceBitsPerPixel` records the depth of the
    // file the pixels come from.
    static std::unique_ptr<FrameBitmap> Create32(int32_t width, int32_t height,
                                                 int32_t sourceBitsPerPixel = 32);
    // As Create32, but the block is left uninitialised: for callers that write every byte.
    static std::unique_ptr<FrameBitmap> Create32Uninitialised(int32_t width, int32_t height,
                                                              int32_t sourceBitsPerPixel);
    // A bitmap whose rows stay in a file or buffer and are read through `source`; its geometry is
    // the source's row layout. nullptr when `source` is null.
    static std::unique_ptr<FrameBitmap> FromSource(std::unique_ptr<BmpPixelSource> source);
    // A bitmap of a recognised depth or compression that is not decoded: geometry only.
    static std::unique_ptr<FrameBitmap> CreateUndecodable(int32_t width, int32_t height,
                                                          int32_t bitsPerPixel);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    int32_t bitsPerPixel() const { return m_bitsPerPixel; }
    // The depth of the file this bitmap was read from; kept when it is converted to 32 bits.
    int32_t sourceBitsPerPixel() const { return m_sourceBitsPerPixel; }
    // Bytes from one stored row to the next (multiple of 4); 0 for a bitmap without a block.
    int32_t bytesPerRow() const { return m_bytesPerRow; }
    // The pixel block, or nullptr for a bitmap whose rows are still in its source.
    uint8_t* bits() const { return m_bits; }
    // The rows still in the file, or nullptr for a bitmap that owns its pixels.
    BmpPixelSource* source() const { return m_source.get(); }
    // Whether the pixels can be had at all: a block or a source to read them from.
    bool decodable() const { return m_bits != nullptr || m_source != nullptr; }

private:
    FrameBitmap() = default;
    static std::unique_ptr<FrameBitmap> Allocate32(int32_t width, int32_t height,
                                                   int32_t sourceBitsPerPixel, bool zeroFill);

    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bitsPerPixel = 0;
    int32_t m_sourceBitsPerPixel = 0;
    int32_t m_bytesPerRow = 0;
    uint8_t* m_bits = nullptr;  // owned, from AllocatePixelBlock
    std::unique_ptr<BmpPixelSource> m_source;
};

using BitmapHandle = std::unique_ptr<FrameBitmap>;

// Largest 32-bit result the loader will make: 1 GiB.
inline constexpr uint64_t kMaxBitmapBytes = uint64_t{1} << 30;

// Fills `out` from the bitmap; false (and `out` untouched) when there is no bitmap.
bool GetDibSection(const FrameBitmap* bitmap, DibSection& out);

}  // namespace kelvista
