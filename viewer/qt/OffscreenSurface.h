#pragma once

#include <QImage>

#include "FrameBitmap.h"

namespace kelvista {

// The view's off-screen surface: it holds the last frame bitmap that loaded successfully and a
// QImage that wraps that bitmap's pixels without a copy, so painting is a plain block copy and a
// write to the bitmap's pixels shows at the next paint. Before any frame it holds nothing.
class OffscreenSurface {
public:
    // Takes a 32-bit `bitmap` as the held frame and hands back the one held before, which the
    // caller releases.
    BitmapHandle Select(BitmapHandle bitmap);

    // The held frame's pixels; a null image before any frame.
    const QImage& image() const { return m_image; }

private:
    // Declared first so it outlives the image that points into its pixels.
    BitmapHandle m_bitmap;
    QImage m_image;
};

}  // namespace kelvista
