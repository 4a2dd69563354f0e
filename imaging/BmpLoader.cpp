#include "BmpLoader.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "BmpDecoder.h"
#include "BmpPixelSource.h"
#include "PixelBlock.h"
#include "Trace.h"

#if defined(__x86_64__) || defined(__i386__)
#define KELVISTA_HAVE_SSSE3 1
#include <immintrin.h>
#else
#define KELVISTA_HAVE_SSSE3 0
#endif

namespace kelvista {

namespace {

#if KELVISTA_HAVE_SSSE3
bool HasSsse3() {
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}

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

// Four 24-bit pixels from the low 12 bytes of `pixels` as blue, green, red, 0xFF: the shuffle
// leaves each fourth byte 0, the OR makes it 0xFF.
__attribute__((target("ssse3"))) inline __m128i Widen4(__m128i pixels, __m128i spread,
                                                       __m128i opaque) {
    return _mm_or_si128(_mm_shuffle_epi8(pixels, spread), opaque);
}

// Widens whole groups of 16 pixels (48 bytes in, 64 out) with byte shuffles; returns how many
// pixels it did. Reads and writes stay within the groups.
template <bool kStreaming>
__attribute__((target("ssse3"))) int ExpandGroupsSsse3(uint8_t* dst, const uint8_t* src,
                                                       int count) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    for (; i + 16 <= count; i += 16, src += 48, dst += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
        Store16<kStreaming>(dst, Widen4(a, spread, opaque));
        Store16<kStreaming>(dst + 16, Widen4(_mm_alignr_epi8(b, a, 12), spread, opaque));
        Store16<kStreaming>(dst + 32, Widen4(_mm_alignr_epi8(c, b, 8), spread, opaque));
        Store16<kStreaming>(dst + 48, Widen4(_mm_srli_si128(c, 4), spread, opaque));
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
        NotePixelMemoryShortage();
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

bool LastLoadRanOutOfMemory() {
    return PixelMemoryShortage();
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
