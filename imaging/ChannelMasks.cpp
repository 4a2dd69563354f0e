#include "ChannelMasks.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvista {

namespace {

uint32_t LowestSetBit(uint32_t mask) {
    uint32_t shift = 0;
    while (shift < 32 && ((mask >> shift) & 1u) == 0) {
        ++shift;
    }
    return shift;
}

// Sets the fourth byte of `count` blue, green, red pixels to 0xFF: 16 bytes per step where the
// processor has SSE2 (every x86-64 does), which the compiler does not do on its own at -O2.
void MakeOpaque(uint8_t* pixels, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 4 <= count; i += 4, pixels += 16) {
        __m128i* at = reinterpret_cast<__m128i*>(pixels);
        _mm_storeu_si128(at, _mm_or_si128(_mm_loadu_si128(at), opaque));
    }
#endif
    for (; i < count; ++i, pixels += 4) {
        pixels[3] = 0xFF;
    }
}

}  // namespace

bool IsContiguousMask(uint32_t mask) {
    if (mask == 0) {
        return true;
    }
    const uint64_t run = uint64_t{mask} >> LowestSetBit(mask);
    return (run & (run + 1)) == 0;  // run is 2^n - 1
}

bool HasStandardColourMasks(const ChannelMasks& masks) {
    const ChannelMasks standard;
    return masks.red == standard.red && masks.green == standard.green &&
           masks.blue == standard.blue;
}

PixelNormaliser::Channel PixelNormaliser::MakeChannel(uint32_t mask) {
    Channel channel;
    if (mask == 0) {
        return channel;
    }
    channel.mask = mask;
    channel.shift = LowestSetBit(mask);
    channel.maxValue = uint64_t{mask} >> channel.shift;
    return channel;
}

PixelNormaliser::PixelNormaliser(const ChannelMasks& masks)
    : m_red(MakeChannel(masks.red)),
      m_green(MakeChannel(masks.green)),
      m_blue(MakeChannel(masks.blue)) {}

uint8_t PixelNormaliser::Channel::extract(uint32_t pixel) const {
    if (maxValue == 0) {
        return 0;
    }
    const uint64_t value = (pixel & mask) >> shift;
    // Rounded scaling; exact for 8-bit channels (maxValue 255).
    return static_cast<uint8_t>((value * 255 + maxValue / 2) / maxValue);
}

void PixelNormaliser::normaliseRow(uint8_t* pixels, size_t count) const {
    if (m_blue.mask == 0x000000FFu && m_green.mask == 0x0000FF00u && m_red.mask == 0x00FF0000u) {
        MakeOpaque(pixels, count);  // the colour bytes are where they belong already
        return;
    }
    if (std::endian::native == std::endian::little && m_red.maxValue == 255 &&
        m_green.maxValue == 255 && m_blue.maxValue == 255) {
        // Byte-wide channels need no scaling, only moving: whole-word shifts, which vectorise.
        const uint32_t redShift = m_red.shift;
        const uint32_t greenShift = m_green.shift;
        const uint32_t blueShift = m_blue.shift;
        for (size_t i = 0; i < count; ++i, pixels += 4) {
            uint32_t pixel;
            std::memcpy(&pixel, pixels, sizeof pixel);
            pixel = (pixel >> blueShift & 0xFFu) | (pixel >> greenShift & 0xFFu) << 8 |
                    (pixel >> redShift & 0xFFu) << 16 | 0xFF000000u;
            std::memcpy(pixels, &pixel, sizeof pixel);
        }
        return;
    }
    for (size_t i = 0; i < count; ++i, pixels += 4) {
        const uint32_t pixel = uint32_t{pixels[0]} | uint32_t{pixels[1]} << 8 |
                               uint32_t{pixels[2]} << 16 | uint32_t{pixels[3]} << 24;
        pixels[0] = m_blue.extract(pixel);
        pixels[1] = m_green.extract(pixel);
        pixels[2] = m_red.extract(pixel);
        pixels[3] = 0xFF;
    }
}

}  // namespace kelvista
