#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvista {

// Where red, green, blue and alpha sit in a 32-bit pixel read as a little-endian word. The
// defaults are the layout of a plain 32-bit BMP: blue, green, red, then an unused byte.
struct ChannelMasks {
    uint32_t red = 0x00FF0000;
    uint32_t green = 0x0000FF00;
    uint32_t blue = 0x000000FF;
    uint32_t alpha = 0;
};

// True when the set bits of `mask` form one run (an empty mask counts as one).
bool IsContiguousMask(uint32_t mask);

// True when red, green and blue sit where a plain 32-bit BMP keeps them, so the colour bytes
// stay as they are; the alpha mask does not matter.
bool HasStandardColourMasks(const ChannelMasks& masks);

// Rewrites 32-bit pixels with arbitrary (contiguous) masks as blue, green, red, 0xFF, each
// channel scaled to 0..255 from its own width. With the standard masks only the fourth byte
// changes: whatever the file held there, the pixel becomes opaque.
class PixelNormaliser {
public:
    explicit PixelNormaliser(const ChannelMasks& masks);

    void normaliseRow(uint8_t* pixels, size_t count) const;

private:
    struct Channel {
        uint32_t mask = 0;
        uint32_t shift = 0;
        uint64_t maxValue = 0;  // 0 for an absent channel
        uint8_t extract(uint32_t pixel) const;
    };
    static Channel MakeChannel(uint32_t mask);

    Channel m_red;
    Channel m_green;
    Channel m_blue;
};

}  // namespace kelvista
