#pragma once

#include <cstdint>

#include "ChannelMasks.h"

namespace kelvista {

class BmpPixelSource;

// How the loader goes on once the headers have read well. The decoder follows it and the probe
// (BmpProbe.h) answers from it, so the two cannot disagree on a file.
enum class BmpPixelRoute {
    Describe,  // a depth or compression that is not decoded: geometry only, refused when converted
    Read32,    // 32-bit rows, plain or through channel masks, read straight into the result
    Widen24,   // uncompressed 24-bit rows, widened to 32 bits when the bitmap is converted
};

// What the headers of a BMP file say, after every field has been checked against the file.
struct BmpHeader {
    int32_t width = 0;
    int32_t height = 0;  // positive; see topDown
    int32_t bitsPerPixel = 0;
    bool topDown = false;
    BmpPixelRoute route = BmpPixelRoute::Describe;
    uint64_t pixelOffset = 0;
    uint64_t bytesPerRow = 0;  // stride of a stored row; 0 for compressed pixels
    ChannelMasks masks;        // meaningful for BmpPixelRoute::Read32
};

// Reads the file header and the bitmap header of any version (OS/2 core, 40, 52, 56, OS/2 2.x,
// V4, V5), and nothing else: only the file's first bytes and its size are looked at. False for
// anything that is not a well-formed BMP file: wrong signature, truncated or unknown headers,
// impossible geometry, pixels the file does not hold, or a decoded picture larger than
// kMaxBitmapBytes once widened to 32 bits.
bool ReadBmpHeader(BmpPixelSource& source, BmpHeader& header);

}  // namespace kelvista
