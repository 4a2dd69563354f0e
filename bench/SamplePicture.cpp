#include "SamplePicture.h"

#include <bit>

namespace kelvista::bench {

SamplePicture MakeSamplePicture(int32_t width, int32_t height, uint32_t seed) {
    SamplePicture picture;
    picture.width = width;
    picture.height = height;
    picture.bgrx.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    uint32_t noise = 0x9E3779B9u * (seed | 1u);
    uint8_t* out = picture.bgrx.data();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const bool grid = (x % 64) == 0 || (y % 48) == 0;
            const uint32_t jitter = noise & 0x0Fu;
            out[0] = grid ? 0x20 : static_cast<uint8_t>((x * 255 / width + jitter + seed) & 0xFF);
            out[1] = grid ? 0x20 : static_cast<uint8_t>((y * 255 / height + jitter) & 0xFF);
            out[2] = grid ? 0x20 : static_cast<uint8_t>(((x + y) / 8 + seed * 7) & 0xFF);
            out[3] = 0xFF;
            out += 4;
        }
    }
    return picture;
}

QImage PictureImage(const SamplePicture& picture) {
    // Blue, green, red, 0xFF in memory is an RGB32 pixel on a little-endian machine.
    static_assert(std::endian::native == std::endian::little);
    return QImage(picture.bgrx.data(), picture.width, picture.height, picture.width * 4,
                  QImage::Format_RGB32);
}

}  // namespace kelvista::bench
