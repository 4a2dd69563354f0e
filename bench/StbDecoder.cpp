// stb_image is compiled here and only here, with its warnings silenced (see CMakeLists.txt).
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

#include <cstring>

#include "PeerDecoders.h"

namespace kelvista::bench {

bool DecodeWithStb(const std::string& path, DecodeOutcome& outcome) {
    int width = 0;
    int height = 0;
    int channelsInFile = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channelsInFile, 4);
    if (pixels == nullptr) {
        return false;
    }
    outcome.width = width;
    outcome.height = height;
    std::memcpy(&outcome.firstPixel, pixels, sizeof outcome.firstPixel);
    stbi_image_free(pixels);
    return true;
}

}  // namespace kelvista::bench
