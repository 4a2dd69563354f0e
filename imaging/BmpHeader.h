#pragma once

#include <cstdint>

#include "ChannelMasks.h"

namespace kelvista {

class BmpPixelSource;

// What the headers of a BMP file say, after every field has been checked against the file.
struct BmpHeader {
    int32_t width = 0;
    int32_t height = 0;  // positive; see topDown
    int32_t bitsPerPixel = 0;
    bool topDown = false;
    // Uncompressed 24-bit, or 32-bit plain or with channel masks: the pixels can be decoded. Any
    // other recognised depth or compression only describes the picture.
    bool decodable = false;
    uint64_t pixelOffset = 0;
    uint64_t bytesPerRow = 0;  // stride of a stored row; 0 for compressed pixels
    ChannelMasks masks;        // meaningful for decodable 32-bit files
};

// Reads the file header and the bitmap header of any version (OS/2 core, 40, 52, 56, OS/2 2.x,
// V4, V5). False for anything that is not a well-formed BMP file: wrong signature, truncated or
// unknown headers, impossible geometry, pixels the file does not hold, or a decodable picture
// larger than kMaxBitmapBytes once widened to 32 bits.
bool ReadBmpHeader(BmpPixelSource& source, BmpHeader& header);

}  // namespace kelvista
