#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvista::bench {

// What one decode produced, for checking that a timed decode did its work. The pixels are
// released before the decoder returns: allocating and freeing the result is part of the cost.
struct DecodeOutcome {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t firstPixel = 0;  // as the decoder laid it out, read as a little-endian word
};

// Qt's reader: QImage loads the BMP, then converts to Format_RGB32 unless it is already.
bool DecodeWithQt(const std::string& path, DecodeOutcome& outcome);

// stb_image: stbi_load asking for 4 components.
bool DecodeWithStb(const std::string& path, DecodeOutcome& outcome);

// What any loader must at least do: read the file's bytes into `readBuffer` (kept between calls)
// and copy `resultBytes` from it into a freshly allocated result.
bool LoadAtFloor(const std::string& path, size_t resultBytes, std::vector<uint8_t>& readBuffer,
                 DecodeOutcome& outcome);

}  // namespace kelvista::bench
