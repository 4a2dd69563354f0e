#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>

namespace kelvista::bench {

// A picture to encode: blue, green, red, fourth byte per pixel, top row first, no padding.
struct SamplePicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bgrx;

    size_t pixelBytes() const { return bgrx.size(); }
    const uint8_t* pixel(int32_t x, int32_t y) const {
        return bgrx.data() +
               (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
    }
};

// Screenshot-like content (gradients, a grid, some noise), the same for the same size. `seed`
// varies it so a sequence of frames is not one file repeated. The fourth byte is 0xFF.
SamplePicture MakeSamplePicture(int32_t width, int32_t height, uint32_t seed = 1);

// The picture's own pixels seen as an RGB32 image, without a copy: valid while `picture` lives
// and keeps its size.
QImage PictureImage(const SamplePicture& picture);

}  // namespace kelvista::bench
