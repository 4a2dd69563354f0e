#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BmpWriter.h"
#include "SamplePicture.h"

namespace kelvista::bench {

// The file layouts the decoder benchmarks compare.
enum class BmpLayout {
    Rgb24BottomUp,   // the common screenshot: 24-bit, last row first
    Rgb24TopDown,    // 24-bit with a negative height
    Rgb32,           // 32-bit BI_RGB, blue, green, red, fourth byte
    Rgb32Bitfields,  // 32-bit BI_BITFIELDS with red, green, blue in the low three bytes
};

inline constexpr BmpLayout kAllBmpLayouts[] = {BmpLayout::Rgb24BottomUp, BmpLayout::Rgb24TopDown,
                                               BmpLayout::Rgb32, BmpLayout::Rgb32Bitfields};

// Short names used in benchmark names and tables.
std::string_view LayoutName(BmpLayout layout);
int32_t LayoutBitsPerPixel(BmpLayout layout);

// Channel masks written for Rgb32Bitfields: red, green, blue.
inline constexpr uint32_t kBitfieldsRedMask = 0x000000FFu;
inline constexpr uint32_t kBitfieldsGreenMask = 0x0000FF00u;
inline constexpr uint32_t kBitfieldsBlueMask = 0x00FF0000u;

// How the demo's BMP writer stores `layout`. 32-bit layouts keep the picture's fourth byte.
demo::BmpFormat LayoutFormat(BmpLayout layout);

// The complete file of `picture` in `layout`; empty when it cannot be encoded.
std::vector<uint8_t> EncodeLayout(const SamplePicture& picture, BmpLayout layout);

// Writes `bytes` to `path`, replacing it; false on any failure.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace kelvista::bench
