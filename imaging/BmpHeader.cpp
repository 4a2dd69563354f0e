#include "BmpHeader.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "BmpPixelSource.h"
#include "FrameBitmap.h"

namespace kelvista {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kOs2HeaderSize = 64;
constexpr uint32_t kLargestHeaderSize = 124;
constexpr size_t kMaskBytesAfterInfo = 16;  // up to four masks after a 40-byte header
constexpr size_t kHeadBytes = kFileHeaderSize + kLargestHeaderSize + kMaskBytesAfterInfo;

// Compression codes of the Windows headers.
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitfields = 3;
constexpr uint32_t kJpeg = 4;
constexpr uint32_t kPng = 5;
constexpr uint32_t kAlphaBitfields = 6;
// The OS/2 2.x header reuses 3 and 4 for Huffman 1D and RLE24.
constexpr uint32_t kOs2Huffman = 3;
constexpr uint32_t kOs2Rle24 = 4;

enum class Encoding { Plain, Masked, Compressed };

uint16_t Read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Read32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

int32_t ReadSigned32(const uint8_t* p) {
    return static_cast<int32_t>(Read32(p));
}

bool IsKnownHeaderSize(uint32_t size) {
    switch (size) {
        case kCoreHeaderSize:
        case kInfoHeaderSize:
        case 52:  // + RGB masks
        case 56:  // + alpha mask
        case kOs2HeaderSize:
        case 108:                 // V4
        case kLargestHeaderSize:  // V5
            return true;
        default:
            return false;
    }
}

bool IsKnownDepth(int32_t bits) {
    switch (bits) {
        case 0:
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
        case 64:
            return true;
        default:
            return false;
    }
}

// How the pixels are stored, or false for a compression code nobody defined.
bool ClassifyCompression(uint32_t headerSize, uint32_t compression, Encoding& encoding) {
    if (headerSize == kOs2HeaderSize) {
        if (compression == kOs2Huffman || compression == kOs2Rle24) {
            encoding = Encoding::Compressed;
            return true;
        }
        if (compression > kOs2Rle24) {
            return false;
        }
    }
    switch (compression) {
        case kRgb:
            encoding = Encoding::Plain;
            return true;
        case kBitfields:
        case kAlphaBitfields:
            encoding = Encoding::Masked;
            return true;
        case kRle8:
        case kRle4:
        case kJpeg:
        case kPng:
            encoding = Encoding::Compressed;
            return true;
        default:
            return false;
    }
}

struct Geometry {
    int64_t width = 0;
    int64_t height = 0;  // negative for top-down
    uint32_t planes = 0;
    int32_t bits = 0;
    uint32_t compression = kRgb;
};

Geometry ReadGeometry(const uint8_t* info, uint32_t headerSize) {
    Geometry g;
    if (headerSize == kCoreHeaderSize) {  // 16-bit unsigned fields, no compression
        g.width = Read16(info + 4);
        g.height = Read16(info + 6);
        g.planes = Read16(info + 8);
        g.bits = Read16(info + 10);
    } else {
        g.width = ReadSigned32(info + 4);
        g.height = ReadSigned32(info + 8);
        g.planes = Read16(info + 12);
        g.bits = Read16(info + 14);
        g.compression = Read32(info + 16);
    }
    return g;
}

// Masks live in the header from 52 bytes on, or follow a 40-byte header (then `headersEnd` moves
// past them). False when they are cut off.
bool ReadMasks(const uint8_t* info, uint32_t headerSize, uint32_t compression, size_t headBytes,
               uint64_t& headersEnd, ChannelMasks& masks) {
    size_t maskCount = headerSize >= 56 ? 4 : 3;
    if (headerSize == kInfoHeaderSize) {
        maskCount = compression == kAlphaBitfields ? 4 : 3;
        headersEnd += maskCount * 4;
    }
    if (headersEnd > headBytes) {
        return false;
    }
    const uint8_t* maskBytes = info + kInfoHeaderSize;
    masks.red = Read32(maskBytes);
    masks.green = Read32(maskBytes + 4);
    masks.blue = Read32(maskBytes + 8);
    masks.alpha = maskCount == 4 ? Read32(maskBytes + 12) : 0;
    return true;
}

bool AreContiguous(const ChannelMasks& masks) {
    return IsContiguousMask(masks.red) && IsContiguousMask(masks.green) &&
           IsContiguousMask(masks.blue) && IsContiguousMask(masks.alpha);
}

}  // namespace

bool ReadBmpHeader(BmpPixelSource& source, BmpHeader& header) {
    const uint64_t fileSize = source.size();
    uint8_t head[kHeadBytes] = {};
    const size_t headBytes = static_cast<size_t>(std::min<uint64_t>(fileSize, kHeadBytes));
    if (headBytes < kFileHeaderSize + 4 || !source.readAt(0, head, headBytes)) {
        return false;
    }
    if (head[0] != 'B' || head[1] != 'M') {
        return false;
    }
    const uint32_t pixelOffset = Read32(head + 10);
    const uint32_t headerSize = Read32(head + 14);
    if (!IsKnownHeaderSize(headerSize) || kFileHeaderSize + headerSize > headBytes) {
        return false;
    }
    const uint8_t* info = head + kFileHeaderSize;
    const Geometry g = ReadGeometry(info, headerSize);
    const int32_t bits = g.bits;
    Encoding encoding = Encoding::Plain;
    if (g.planes != 1 || !IsKnownDepth(bits) ||
        !ClassifyCompression(headerSize, g.compression, encoding)) {
        return false;
    }
    const bool embedsImage =
        headerSize != kOs2HeaderSize && (g.compression == kJpeg || g.compression == kPng);
    if (bits == 0 && !embedsImage) {
        return false;  // only embedded JPEG/PNG leave the depth to the stream
    }
    if (g.width <= 0 || g.height == 0 || g.height == std::numeric_limits<int32_t>::min()) {
        return false;
    }
    const int64_t width = g.width;
    const bool topDown = g.height < 0;
    const int64_t height = topDown ? -g.height : g.height;

    uint64_t headersEnd = kFileHeaderSize + headerSize;
    ChannelMasks masks;
    if (encoding == Encoding::Masked &&
        !ReadMasks(info, headerSize, g.compression, headBytes, headersEnd, masks)) {
        return false;
    }
    // Only 32-bit pixels are decoded through the masks; other depths are refused as unsupported
    // later, whatever their masks say.
    if (encoding == Encoding::Masked && bits == 32 && !AreContiguous(masks)) {
        return false;
    }

    if (pixelOffset < headersEnd || pixelOffset >= fileSize) {
        return false;
    }
    uint64_t bytesPerRow = 0;
    if (encoding != Encoding::Compressed) {
        bytesPerRow = ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32) * 4;
        if (static_cast<uint64_t>(height) > (fileSize - pixelOffset) / bytesPerRow) {
            return false;  // the file cannot hold the rows it claims
        }
    }

    BmpPixelRoute route = BmpPixelRoute::Describe;
    if (bits == 32 && encoding != Encoding::Compressed) {
        route = BmpPixelRoute::Read32;
    } else if (bits == 24 && encoding == Encoding::Plain) {
        route = BmpPixelRoute::Widen24;
    }
    if (route != BmpPixelRoute::Describe &&
        uint64_t{4} * static_cast<uint64_t>(width) * static_cast<uint64_t>(height) >
            kMaxBitmapBytes) {
        return false;
    }

    header.width = static_cast<int32_t>(width);
    header.height = static_cast<int32_t>(height);
    header.bitsPerPixel = bits;
    header.topDown = topDown;
    header.route = route;
    header.pixelOffset = pixelOffset;
    header.bytesPerRow = bytesPerRow;
    header.masks = masks;
    return true;
}

}  // namespace kelvista
