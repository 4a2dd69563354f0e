// Feeds arbitrary bytes to the BMP loader; on success every pixel of the result is read so the
// sanitizers see any row written or sized wrongly.
#include <cstddef>
#include <cstdint>

#include "BmpLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kelvista::BitmapHandle bitmap;
    kelvista::DibSection dib;
    if (kelvista::LoadBMPFromMemory(data, size, bitmap, dib) != 0) {
        return 0;
    }
    if (dib.bitsPerPixel != 32 || dib.bytesPerRow != dib.width * 4 || dib.bits == nullptr) {
        __builtin_trap();
    }
    uint64_t sum = 0;
    const size_t bytes = static_cast<size_t>(dib.bytesPerRow) * static_cast<size_t>(dib.height);
    for (size_t i = 0; i < bytes; ++i) {
        sum += dib.bits[i];
    }
    // Keeps the loop from being optimised away.
    volatile uint64_t sink = sum;
    (void)sink;
    return 0;
}
