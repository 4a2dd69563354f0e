#include "BmpDecoder.h"

#include "BmpHeader.h"
#include "BmpPixelSource.h"
#include "ChannelMasks.h"

namespace kelvista {

namespace {

BitmapHandle Decode32(BmpPixelSource& source, const BmpHeader& header) {
    BitmapHandle bitmap =
        FrameBitmap::Create32Uninitialised(header.width, header.height, header.bitsPerPixel);
    if (!bitmap) {
        return nullptr;
    }
    // A 32-bit file row has no padding, so it is exactly one row of the block.
    const size_t rowBytes = static_cast<size_t>(bitmap->bytesPerRow());
    const size_t rows = static_cast<size_t>(header.height);
    uint8_t* first = bitmap->bits();
    ptrdiff_t step = static_cast<ptrdiff_t>(rowBytes);
    if (!header.topDown) {
        first += (rows - 1) * rowBytes;  // the first stored row is the bottom one
        step = -step;
    }
    if (!source.readRows(header.pixelOffset, rowBytes, rows, first, step)) {
        return nullptr;
    }
    if (!HasStandardColourMasks(header.masks)) {
        const PixelNormaliser normaliser(header.masks);
        for (size_t row = 0; row < rows; ++row) {
            normaliser.normaliseRow(bitmap->bits() + row * rowBytes,
                                    static_cast<size_t>(header.width));
        }
    }
    return bitmap;
}

}  // namespace

BitmapHandle DecodeBmp(std::unique_ptr<BmpPixelSource> source) {
    BmpHeader header;
    if (!source || !ReadBmpHeader(*source, header)) {
        return nullptr;
    }
    switch (header.route) {
        case BmpPixelRoute::Describe:
            return FrameBitmap::CreateUndecodable(header.width, header.height, header.bitsPerPixel);
        case BmpPixelRoute::Read32:
            return Decode32(*source, header);
        case BmpPixelRoute::Widen24:
            break;
    }
    SourceRowLayout layout;
    layout.width = header.width;
    layout.height = header.height;
    layout.bitsPerPixel = header.bitsPerPixel;
    layout.topDown = header.topDown;
    layout.pixelOffset = header.pixelOffset;
    layout.bytesPerRow = header.bytesPerRow;
    source->setRowLayout(layout);
    return FrameBitmap::FromSource(std::move(source));
}

}  // namespace kelvista
