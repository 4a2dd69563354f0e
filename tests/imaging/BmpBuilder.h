#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ChannelMasks.h"

namespace kelvista::test {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// A picture in memory, top row first, with a colour for every pixel that differs from its
// neighbours in every channel.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Rgb> pixels;

    static Picture Generated(int32_t width, int32_t height);
    const Rgb& at(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + x]; }
};

enum class HeaderVersion { Core12, Info40, V2_52, V3_56, Os2_64, V4_108, V5_124 };
const char* HeaderName(HeaderVersion version);
uint32_t HeaderSize(HeaderVersion version);

namespace compression {
inline constexpr uint32_t kRgb = 0;
inline constexpr uint32_t kRle8 = 1;
inline constexpr uint32_t kRle4 = 2;
inline constexpr uint32_t kBitfields = 3;
inline constexpr uint32_t kJpeg = 4;
inline constexpr uint32_t kPng = 5;
inline constexpr uint32_t kAlphaBitfields = 6;
inline constexpr uint32_t kOs2Huffman = 3;  // in a 64-byte OS/2 header
inline constexpr uint32_t kOs2Rle24 = 4;    // in a 64-byte OS/2 header
}  // namespace compression

struct BmpOptions {
    HeaderVersion version = HeaderVersion::Info40;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = compression::kRgb;
    bool topDown = false;
    // Written after a 40-byte header (bitfields) or into V2+ headers; 32-bit pixels are encoded
    // with them whatever the compression says.
    ChannelMasks masks;
    uint32_t paletteEntries = 0;
};

// The byte the builder stores in the spare top byte of a 32-bit pixel at (x, y) when the colour
// masks are the standard ones.
uint8_t SpareByte(int32_t x, int32_t y);

// A channel value as it comes back after being stored under `mask` and widened to 8 bits again.
uint8_t ThroughMask(uint8_t value, uint32_t mask);

// A complete BMP file of any header version, for files that are unusual or damaged on purpose;
// valid files as a recorder writes them come from the demo's writer (BmpBytes.h). Pixels of depths
// other than 24 and 32 are zero; compressed pixels are a token end-of-bitmap marker. bfSize and
// biSizeImage are left 0, as many writers do.
std::vector<uint8_t> BuildBmp(const Picture& picture, const BmpOptions& options);

// Offsets of header fields, for damaging files.
inline constexpr size_t kPixelOffsetField = 10;
inline constexpr size_t kHeaderSizeField = 14;
inline constexpr size_t kWidthField = 18;
inline constexpr size_t kHeightField = 22;
inline constexpr size_t kPlanesField = 26;
inline constexpr size_t kBitsField = 28;
inline constexpr size_t kCompressionField = 30;
inline constexpr size_t kFirstMaskField = 54;

void Put16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

}  // namespace kelvista::test
