#include "BmpDecoder.h"

#include <algorithm>
#include <cstddef>

#include "BmpHeader.h"
#include "BmpPixelSource.h"
#include "ChannelMasks.h"

namespace kelvista {

namespace {

// Rows are read in runs of about this many bytes (at least one row), and each run is normalised
// while it is still in the cache.
constexpr size_t kRunBytes = size_t{1} << 20;

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
    // Every pixel leaves as blue, green, red, 0xFF: the fourth byte of a file may hold anything.
    const PixelNormaliser normaliser(header.masks);
    const size_t runRows = std::clamp<size_t>(kRunBytes / rowBytes, 1, rows);
    for (size_t stored = 0; stored < rows; stored += runRows) {
        const size_t count = std::min(runRows, rows - stored);
        uint8_t* runFirst = first + static_cast<ptrdiff_t>(stored) * step;
        if (!source.readRows(header.pixelOffset + uint64_t{stored} * rowBytes, rowBytes, count,
                             runFirst, step)) {
            return nullptr;
        }
        for (size_t i = 0; i < count; ++i) {
            normaliser.normaliseRow(runFirst + static_cast<ptrdiff_t>(i) * step,
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
