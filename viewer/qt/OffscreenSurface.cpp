#include "OffscreenSurface.h"

#include <utility>

#include "FrameImage.h"

namespace kelvista {

BitmapHandle OffscreenSurface::Select(BitmapHandle bitmap) {
    DibSection dib;
    QImage image;
    if (GetDibSection(bitmap.get(), dib)) {
        image = FrameImage(dib);
    }
    // Drop the wrap of the old pixels before the old bitmap leaves.
    m_image = std::move(image);
    std::swap(m_bitmap, bitmap);
    return bitmap;
}

}  // namespace kelvista
