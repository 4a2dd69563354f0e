#include "FrameBitmap.h"

#include <cstring>

#include "BmpPixelSource.h"
#include "PixelBlock.h"

namespace kelvista {

FrameBitmap::~FrameBitmap() {
    ReleasePixelBlock(m_bits, static_cast<size_t>(m_bytesPerRow) * static_cast<size_t>(m_height));
}

std::unique_ptr<FrameBitmap> FrameBitmap::Allocate32(int32_t width, int32_t height,
                                                     int32_t sourceBitsPerPixel, bool zeroFill) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    const uint64_t bytes =
        uint64_t{4} * static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (bytes > kMaxBitmapBytes) {
        return nullptr;
    }
    void* block = AllocatePixelBlock(static_cast<size_t>(bytes));
    if (block == nullptr) {
        return nullptr;
    }
    if (zeroFill) {
        std::memset(block, 0, static_cast<size_t>(bytes));
    }
    std::unique_ptr<FrameBitmap> bitmap(new FrameBitmap);
    bitmap->m_width = width;
    bitmap->m_height = height;
    bitmap->m_bitsPerPixel = 32;
    bitmap->m_sourceBitsPerPixel = sourceBitsPerPixel;
    bitmap->m_bytesPerRow = width * 4;  // <= kMaxBitmapBytes, so it fits
    bitmap->m_bits = static_cast<uint8_t*>(block);
    return bitmap;
}

std::unique_ptr<FrameBitmap> FrameBitmap::Create32(int32_t width, int32_t height,
                                                   int32_t sourceBitsPerPixel) {
    return Allocate32(width, height, sourceBitsPerPixel, true);
}

std::unique_ptr<FrameBitmap> FrameBitmap::Create32Uninitialised(int32_t width, int32_t height,
                                                                int32_t sourceBitsPerPixel) {
    return Allocate32(width, height, sourceBitsPerPixel, false);
}

std::unique_ptr<FrameBitmap> FrameBitmap::FromSource(std::unique_ptr<BmpPixelSource> source) {
    if (!source) {
        return nullptr;
    }
    const SourceRowLayout& layout = source->rowLayout();
    std::unique_ptr<FrameBitmap> bitmap(new FrameBitmap);
    bitmap->m_width = layout.width;
    bitmap->m_height = layout.height;
    bitmap->m_bitsPerPixel = layout.bitsPerPixel;
    bitmap->m_sourceBitsPerPixel = layout.bitsPerPixel;
    bitmap->m_source = std::move(source);
    return bitmap;
}

std::unique_ptr<FrameBitmap> FrameBitmap::CreateUndecodable(int32_t width, int32_t height,
                                                            int32_t bitsPerPixel) {
    std::unique_ptr<FrameBitmap> bitmap(new FrameBitmap);
    bitmap->m_width = width;
    bitmap->m_height = height;
    bitmap->m_bitsPerPixel = bitsPerPixel;
    bitmap->m_sourceBitsPerPixel = bitsPerPixel;
    return bitmap;
}

bool GetDibSection(const FrameBitmap* bitmap, DibSection& out) {
    if (bitmap == nullptr) {
        return false;
    }
    out.width = bitmap->width();
    out.height = bitmap->height();
    out.bytesPerRow = bitmap->bytesPerRow();
    out.bitsPerPixel = bitmap->bitsPerPixel();
    out.bits = bitmap->bits();
    return true;
}

}  // namespace kelvista
