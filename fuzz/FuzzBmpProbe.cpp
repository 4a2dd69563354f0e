// Differential target: the header probe must give LoadBMP's code, and where LoadBMP leaves a bitmap
// its size and source depth, for any bytes. Both read the same in-memory source, which never fails
// a read inside the rows, so there is nothing the probe may fail to foresee.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "BmpLoader.h"
#include "BmpProbe.h"

namespace {

[[noreturn]] void Disagree(const char* what, long probe, long loader) {
    std::fprintf(stderr, "probe and LoadBMP disagree on the %s: %ld against %ld\n", what, probe,
                 loader);
    std::abort();
}

void Compare(const char* what, long probe, long loader) {
    if (probe != loader) {
        Disagree(what, probe, loader);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const kelvista::BmpProbe probe = kelvista::ProbeBMPFromMemory(data, size);
    kelvista::BitmapHandle bitmap;
    kelvista::DibSection dib;
    const int code = kelvista::LoadBMPFromMemory(data, size, bitmap, dib);
    Compare("code", probe.code, code);
    const bool kept = bitmap != nullptr;
    Compare("width", probe.width, kept ? bitmap->width() : 0);
    Compare("height", probe.height, kept ? bitmap->height() : 0);
    Compare("source depth", probe.sourceBitsPerPixel, kept ? bitmap->sourceBitsPerPixel() : 0);
    if (code == 0) {
        Compare("result width", probe.width, dib.width);
        Compare("result height", probe.height, dib.height);
    }
    return 0;
}
