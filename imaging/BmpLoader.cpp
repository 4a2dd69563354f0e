#include "BmpLoader.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "BmpDecoder.h"
#include "BmpPixelSource.h"
#include "FrameDiff.h"
#include "PixelBlock.h"
#include "Trace.h"
#include "Widen16.h"
#include "WidenOver.h"

namespace kelvista {

namespace {

#if KELVISTA_HAVE_SSSE3
// Rows at least this wide (a frame of such rows is several megabytes, larger than the caches)
// whose destination is 16-byte aligned are written with non-temporal stores: ordinary stores
// would first read every destination line only to overwrite it, and evict the file's bytes.
// Narrower frames stay cached for the paint that follows.
constexpr int kStreamingMinPixels = 1024;

template <bool kStreaming>
__attribute__((target("ssse3"))) inline void Store16(uint8_t* dst, __m128i value) {
    if constexpr (kStreaming) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst), value);
    } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), value);
    }
}

// Widens whole groups of 16 pixels (48 bytes in, 64 out) with byte shuffles; returns how many
// pixels it did. Reads and writes stay within the groups.
template <bool kStreaming>
__attribute__((target("ssse3"))) int ExpandGroupsSsse3(uint8_t* dst, const uint8_t* src,
                                                       int count) {
    int i = 0;
    for (; i + 16 <= count; i += 16, src += 48, dst += 64) {
        __m128i pixels[4];
        Widen16(src, pixels);
        for (int k = 0; k < 4; ++k) {
            Store16<kStreaming>(dst + 16 * k, pixels[k]);
        }
    }
    if constexpr (kStreaming) {
        _mm_sfence();  // order the non-temporal stores before anything that follows
    }
    return i;
}

int ExpandRow24To32Ssse3(uint8_t* dst, const uint8_t* src, int count) {
    const bool aligned = (reinterpret_cast<uintptr_t>(dst) & 15u) == 0;
    return aligned && count >= kStreamingMinPixels ? ExpandGroupsSsse3<true>(dst, src, count)
                                                   : ExpandGroupsSsse3<false>(dst, src, count);
}
#endif

// Rows of a 24-bit file are fetched in runs of about this many bytes (at least one row): enough
// to keep the reads few, small beside the frame, which is what stepping may hold three of.
constexpr size_t kStagingBytes = size_t{64} << 10;

// A load over the frame before: its picture, whose block a 24-bit file of its size and depth is
// widened over in place, and the map of what that changed.
struct Over {
    BitmapHandle previous;
    ChangeMap& changes;
    bool widenedOver = false;
};

int Convert(BitmapHandle& bitmapInOut, Over* over);

int FinishLoad(BitmapHandle loaded, BitmapHandle& bitmapOut, DibSection& dibOut,
               Over* over = nullptr) {
    bitmapOut = std::move(loaded);
    if (!bitmapOut) {
        TraceMessage("LoadImage failed");
        return -1;
    }
    if (Convert(bitmapOut, over) < 0) {
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

// Over the frame before, its rows are asked for this many rows ahead (WidenRowOver). A bottom-up
// file walks the picture's rows downwards in memory, where the hardware's own prefetch does not
// follow, and the frame before is only read, so its lines come from memory: over 2,000 frames of
// 1920x1080, ls --changes took 1.50 x check --deep without, 1.45 to 1.56 x with whole rows asked
// for at each row's start, and 1.13 to 1.20 x with a line asked for at each group (same runs).
constexpr size_t kPrefetchRows = 4;

// Reads the stored rows of a 24-bit source in runs and widens each into its picture row of the
// top-down `target`; with `over`, over the frame before that `target` holds, marking what changed.
bool WidenRows(BmpPixelSource& source, const DibSection& target, ChangeMap* over) {
    const SourceRowLayout& layout = source.rowLayout();
    const size_t sourceStride = static_cast<size_t>(layout.bytesPerRow);
    const size_t rows = static_cast<size_t>(target.height);
    const size_t targetStride = static_cast<size_t>(target.bytesPerRow);
    const size_t runRows = std::clamp<size_t>(kStagingBytes / sourceStride, 1, rows);
    std::unique_ptr<uint8_t[]> staging(new (std::nothrow) uint8_t[runRows * sourceStride]);
    if (!staging) {
        NotePixelMemoryShortage();
        return false;
    }
    const auto pictureRow = [&](size_t stored) {
        return layout.topDown ? stored : rows - 1 - stored;
    };
    for (size_t first = 0; first < rows; first += runRows) {
        const size_t count = std::min(runRows, rows - first);
        if (!source.readAt(layout.pixelOffset + uint64_t{first} * sourceStride, staging.get(),
                           count * sourceStride)) {
            return false;
        }
        for (size_t i = 0; i < count; ++i) {
            const size_t stored = first + i;
            uint8_t* row = target.bits + pictureRow(stored) * targetStride;
            const uint8_t* from = staging.get() + i * sourceStride;
            if (over == nullptr) {
                ExpandRow24To32(row, from, target.width);
                continue;
            }
            const uint8_t* ahead =
                stored + kPrefetchRows < rows
                    ? target.bits + pictureRow(stored + kPrefetchRows) * targetStride
                    : nullptr;
            WidenRowOver(row, from, target.width, *over, static_cast<int32_t>(pictureRow(stored)),
                         ahead);
        }
    }
    return true;
}

// Whether the frame before can take the 24-bit picture of `source` in place: a 32-bit block of
// that size and row length, from a 24-bit file too (the depth the result records).
bool TakesInPlace(const FrameBitmap* previous, const FrameBitmap& source) {
    return previous != nullptr && previous->bits() != nullptr && previous->bitsPerPixel() == 32 &&
           previous->sourceBitsPerPixel() == 24 && previous->width() == source.width() &&
           previous->height() == source.height() &&
           int64_t{previous->bytesPerRow()} == int64_t{source.width()} * 4;
}

int Convert(BitmapHandle& bitmapInOut, Over* over) {
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
    // Over the frame before, the map's memory is the only new memory; without it the load goes on
    // as a plain one, into a new block.
    const bool inPlace = over != nullptr && TakesInPlace(over->previous.get(), *bitmapInOut) &&
                         over->changes.reset(source.width, source.height);
    BitmapHandle result = inPlace
                              ? std::move(over->previous)
                              : FrameBitmap::Create32Uninitialised(
                                    source.width, source.height, bitmapInOut->sourceBitsPerPixel());
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
    if (!WidenRows(*bitmapInOut->source(), target, inPlace ? &over->changes : nullptr)) {
        TraceMessage("CreateDIBSection failed");
        return -3;
    }
    if (inPlace) {
        over->widenedOver = true;
    }
    bitmapInOut = std::move(result);
    return 0;
}

// LoadBMP over the picture `bitmapInOut` holds; see LoadBMPOpenFileOver.
int LoadOver(std::unique_ptr<BmpPixelSource> source, BitmapHandle& bitmapInOut, DibSection& dibOut,
             ChangeMap& changes) {
    TraceMessage("LoadBMP ...");
    ClearPixelMemoryShortage();
    changes.clear();
    Over over{std::move(bitmapInOut), changes};
    DibSection before;
    const bool hadPicture = GetDibSection(over.previous.get(), before) &&
                            before.bitsPerPixel == 32 && before.bits != nullptr;
    const int code =
        FinishLoad(DecodeBmp(std::move(source)), bitmapInOut, dibOut, hadPicture ? &over : nullptr);
    if (code != 0) {
        changes.clear();  // a partly widened map says nothing
    } else if (!over.widenedOver && hadPicture && !MapChanges(before, dibOut, changes)) {
        changes.clear();  // another size, or no memory for the map
    }
    return code;
}

}  // namespace

int LoadBMP(const std::string& path, BitmapHandle& bitmapOut, DibSection& dibOut) {
    TraceMessage("LoadBMP ...");
    ClearPixelMemoryShortage();
    return FinishLoad(DecodeBmp(BmpPixelSource::OpenFile(path)), bitmapOut, dibOut);
}

#if defined(__unix__) || defined(__APPLE__)
int LoadBMPOpenFile(int fd, uint64_t size, BitmapHandle& bitmapOut, DibSection& dibOut) {
    TraceMessage("LoadBMP ...");
    ClearPixelMemoryShortage();
    return FinishLoad(DecodeBmp(BmpPixelSource::FromOpenFile(fd, size)), bitmapOut, dibOut);
}
#endif

int LoadBMPFromMemory(const uint8_t* data, size_t size, BitmapHandle& bitmapOut,
                      DibSection& dibOut) {
    TraceMessage("LoadBMP ...");
    ClearPixelMemoryShortage();
    return FinishLoad(DecodeBmp(BmpPixelSource::FromMemory(data, size)), bitmapOut, dibOut);
}

#if defined(__unix__) || defined(__APPLE__)
int LoadBMPOpenFileOver(int fd, uint64_t size, BitmapHandle& bitmapInOut, DibSection& dibOut,
                        ChangeMap& changes) {
    return LoadOver(BmpPixelSource::FromOpenFile(fd, size), bitmapInOut, dibOut, changes);
}
#endif

int LoadBMPFromMemoryOver(const uint8_t* data, size_t size, BitmapHandle& bitmapInOut,
                          DibSection& dibOut, ChangeMap& changes) {
    return LoadOver(BmpPixelSource::FromMemory(data, size), bitmapInOut, dibOut, changes);
}

bool LastLoadRanOutOfMemory() {
    return PixelMemoryShortage();
}

int ConvertTo32BitDib(BitmapHandle& bitmapInOut) {
    return Convert(bitmapInOut, nullptr);
}

int ExpandRow24To32(uint8_t* dst, const uint8_t* src, int count) {
    if (dst == nullptr) {
        return -1;
    }
    if (src == nullptr) {
        return -2;
    }
    int done = 0;
#if KELVISTA_HAVE_SSSE3
    if (count >= 16 && HasSsse3()) {
        done = ExpandRow24To32Ssse3(dst, src, count);
    }
#endif
    dst += static_cast<size_t>(done) * 4;
    src += static_cast<size_t>(done) * 3;
    for (int i = done; i < count; ++i) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 0xFF;
        dst += 4;
        src += 3;
    }
    return 0;
}

}  // namespace kelvista
