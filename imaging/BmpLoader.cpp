#include "BmpLoader.h"

#include <algorithm>
#include <memory>

#include "BmpDecoder.h"
#include "BmpPixelSource.h"
#include "Trace.h"

namespace kelvista {

namespace {

// Rows of a 24-bit file are fetched in runs of about this many bytes (at least one row).
constexpr size_t kStagingBytes = size_t{256} << 10;

int FinishLoad(BitmapHandle loaded, BitmapHandle& bitmapOut, DibSection& dibOut) {
    bitmapOut = std::move(loaded);
    if (!bitmapOut) {
        TraceMessage("LoadImage failed");
        return -1;
    }
    if (ConvertTo32BitDib(bitmapOut) < 0) {
        TraceMessage("ConvertTo32BitDib failed");
        return -2;
    }
    DibSection dib;
    if (!GetDibSection(bitmapOut.get(), dib)) {
        TraceMessage("GetObject failed");
        return -3;
    }
    dibOut = dib;
    TraceMessage("LoadBmp success");
    return 0;
}

// Reads the stored rows of a 24-bit source in runs and widens each into its picture row of the
// top-down `target`.
bool WidenRows(BmpPixelSource& source, const DibSection& target) {
    const SourceRowLayout& layout = source.rowLayout();
    const size_t sourceStride = static_cast<size_t>(layout.bytesPerRow);
    const size_t rows = static_cast<size_t>(target.height);
    const size_t runRows = std::clamp<size_t>(kStagingBytes / sourceStride, 1, rows);
    std::unique_ptr<uint8_t[]> staging(new (std::nothrow) uint8_t[runRows * sourceStride]);
    if (!staging) {
        return false;
    }
    for (size_t first = 0; first < rows; first += runRows) {
        const size_t count = std::min(runRows, rows - first);
        if (!source.readAt(layout.pixelOffset + uint64_t{first} * sourceStride, staging.get(),
                           count * sourceStride)) {
            return false;
        }
        for (size_t i = 0; i < count; ++i) {
            const size_t stored = first + i;
            const size_t pictureRow = layout.topDown ? stored : rows - 1 - stored;
            ExpandRow24To32(target.bits + pictureRow * static_cast<size_t>(target.bytesPerRow),
                            staging.get() + i * sourceStride, target.width);
        }
    }
    return true;
}

}  // namespace

int LoadBMP(const std::string& path, BitmapHandle& bitmapOut, DibSection& dibOut) {
    TraceMessage("LoadBMP ...");
    return FinishLoad(DecodeBmp(BmpPixelSource::OpenFile(path)), bitmapOut, dibOut);
}

int LoadBMPFromMemory(const uint8_t* data, size_t size, BitmapHandle& bitmapOut,
                      DibSection& dibOut) {
    TraceMessage("LoadBMP ...");
    return FinishLoad(DecodeBmp(BmpPixelSource::FromMemory(data, size)), bitmapOut, dibOut);
}

int ConvertTo32BitDib(BitmapHandle& bitmapInOut) {
    TraceMessage("ConvertTo32BitDib");
    DibSection source;
    if (!GetDibSection(bitmapInOut.get(), source)) {
        TraceMessage("GetObject failed");
        return -1;
    }
    const bool decodable = bitmapInOut->decodable();
    if (source.bitsPerPixel == 32 && decodable) {
        return 1;
    }
    if (source.bitsPerPixel != 24 || !decodable || bitmapInOut->source() == nullptr) {
        TraceMessage("source image is " + std::to_string(source.bitsPerPixel) + "bit");
        return -2;
    }
    TraceMessage("size(" + std::to_string(source.width) + "," + std::to_string(source.height) +
                 ")");
    BitmapHandle result = FrameBitmap::Create32Uninitialised(source.width, source.height,
                                                             bitmapInOut->sourceBitsPerPixel());
    if (!result) {
        TraceMessage("CreateDIBSection failed");
        return -3;
    }
    DibSection target;
    if (!GetDibSection(result.get(), target)) {
        TraceMessage("GetObject failed");
        return -4;
    }
    // The rows are still in the file; if it can no longer give them, the 32-bit bitmap cannot be
    // made, which is the creation step failing.
    if (!WidenRows(*bitmapInOut->source(), target)) {
        TraceMessage("CreateDIBSection failed");
        return -3;
    }
    bitmapInOut = std::move(result);
    return 0;
}

int ExpandRow24To32(uint8_t* dst, const uint8_t* src, int count) {
    if (dst == nullptr) {
        return -1;
    }
    if (src == nullptr) {
        return -2;
    }
    for (int i = 0; i < count; ++i) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 0;
        dst += 4;
        src += 3;
    }
    return 0;
}

}  // namespace kelvista
