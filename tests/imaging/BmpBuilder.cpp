#include "BmpBuilder.h"

#include <cmath>
#include <stdexcept>

namespace kelvista::test {

namespace {

void Append16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void Append32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(uint8_t(value >> shift));
    }
}

uint32_t Shift(uint32_t mask) {
    uint32_t shift = 0;
    while (mask != 0 && ((mask >> shift) & 1u) == 0) {
        ++shift;
    }
    return shift;
}

uint32_t Quantise(uint8_t value, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const uint32_t shift = Shift(mask);
    const double max = double(mask >> shift);
    return uint32_t(std::lround(value * max / 255.0)) << shift;
}

bool IsStandard(const ChannelMasks& masks) {
    return masks.red == 0x00FF0000 && masks.green == 0x0000FF00 && masks.blue == 0x000000FF;
}

std::vector<uint8_t> Header(const Picture& picture, const BmpOptions& options) {
    std::vector<uint8_t> out;
    const uint32_t size = HeaderSize(options.version);
    Append32(out, size);
    if (options.version == HeaderVersion::Core12) {
        if (options.topDown) {
            throw std::invalid_argument("a core header cannot be top-down");
        }
        Append16(out, uint16_t(picture.width));
        Append16(out, uint16_t(picture.height));
        Append16(out, 1);
        Append16(out, options.bitsPerPixel);
        return out;
    }
    Append32(out, uint32_t(picture.width));
    Append32(out, uint32_t(options.topDown ? -picture.height : picture.height));
    Append16(out, 1);
    Append16(out, options.bitsPerPixel);
    Append32(out, options.compression);
    Append32(out, 0);     // image size
    Append32(out, 2835);  // 72 dpi
    Append32(out, 2835);
    Append32(out, options.paletteEntries);
    Append32(out, 0);
    const bool maskedInHeader =
        options.version == HeaderVersion::V2_52 || options.version == HeaderVersion::V3_56 ||
        options.version == HeaderVersion::V4_108 || options.version == HeaderVersion::V5_124;
    if (maskedInHeader) {
        Append32(out, options.masks.red);
        Append32(out, options.masks.green);
        Append32(out, options.masks.blue);
        if (options.version != HeaderVersion::V2_52) {
            Append32(out, options.masks.alpha);
        }
    }
    if (options.version == HeaderVersion::V4_108 || options.version == HeaderVersion::V5_124) {
        Append32(out, 0x73524742);         // 'sRGB'
        out.resize(out.size() + 36 + 12);  // endpoints and gammas, unused for sRGB
    }
    if (options.version == HeaderVersion::V5_124) {
        Append32(out, 4);  // LCS_GM_IMAGES
        out.resize(out.size() + 12);
    }
    out.resize(size);  // the OS/2 2.x fields past 40 bytes stay zero
    if (options.version == HeaderVersion::Info40) {
        if (options.compression == compression::kBitfields ||
            options.compression == compression::kAlphaBitfields) {
            Append32(out, options.masks.red);
            Append32(out, options.masks.green);
            Append32(out, options.masks.blue);
        }
        if (options.compression == compression::kAlphaBitfields) {
            Append32(out, options.masks.alpha);
        }
    }
    return out;
}

void AppendRows(std::vector<uint8_t>& out, const Picture& picture, const BmpOptions& options) {
    const uint32_t code = options.compression;
    const bool os2 = options.version == HeaderVersion::Os2_64;
    const bool compressed = code == compression::kRle8 || code == compression::kRle4 ||
                            code == compression::kJpeg || code == compression::kPng ||
                            (os2 && code == compression::kOs2Huffman);
    if (compressed) {
        out.insert(out.end(), {0, 0, 0, 1});  // RLE end of line, end of bitmap
        return;
    }
    const size_t stride = (size_t(picture.width) * options.bitsPerPixel + 31) / 32 * 4;
    const bool direct = options.bitsPerPixel == 24 || options.bitsPerPixel == 32;
    for (int32_t stored = 0; stored < picture.height; ++stored) {
        const int32_t y = options.topDown ? stored : picture.height - 1 - stored;
        const size_t rowStart = out.size();
        for (int32_t x = 0; x < picture.width && direct; ++x) {
            const Rgb& c = picture.at(x, y);
            if (options.bitsPerPixel == 24) {
                out.insert(out.end(), {c.blue, c.green, c.red});
                continue;
            }
            const ChannelMasks& m = options.masks;
            uint32_t word =
                Quantise(c.red, m.red) | Quantise(c.green, m.green) | Quantise(c.blue, m.blue);
            word |= IsStandard(m) ? uint32_t{SpareByte(x, y)} << 24 : m.alpha;
            Append32(out, word);
        }
        out.resize(rowStart + stride);
    }
}

}  // namespace

Picture Picture::Generated(int32_t width, int32_t height) {
    Picture picture{width, height, {}};
    picture.pixels.reserve(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            picture.pixels.push_back({uint8_t(x * 37 + y * 11 + 3), uint8_t(x * 5 + y * 71 + 128),
                                      uint8_t(255 - x * 13 - y * 29)});
        }
    }
    return picture;
}

struct VersionInfo {
    const char* name;
    uint32_t size;
};
// In the order of HeaderVersion.
constexpr VersionInfo kVersionInfo[] = {{"Core12", 12}, {"Info40", 40}, {"V2_52", 52},
                                        {"V3_56", 56},  {"Os2_64", 64}, {"V4_108", 108},
                                        {"V5_124", 124}};

const char* HeaderName(HeaderVersion version) {
    return kVersionInfo[size_t(version)].name;
}

uint32_t HeaderSize(HeaderVersion version) {
    return kVersionInfo[size_t(version)].size;
}

uint8_t SpareByte(int32_t x, int32_t y) {
    return uint8_t(x * 7 + y * 3 + 1);
}

uint8_t ThroughMask(uint8_t value, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const double max = double(mask >> Shift(mask));
    return uint8_t(std::lround(double(Quantise(value, mask) >> Shift(mask)) * 255.0 / max));
}

std::vector<uint8_t> BuildBmp(const Picture& picture, const BmpOptions& options) {
    std::vector<uint8_t> out(14, 0);
    out[0] = 'B';
    out[1] = 'M';
    const std::vector<uint8_t> header = Header(picture, options);
    out.insert(out.end(), header.begin(), header.end());
    const size_t entryBytes = options.version == HeaderVersion::Core12 ? 3 : 4;
    for (uint32_t i = 0; i < options.paletteEntries; ++i) {
        for (size_t b = 0; b < entryBytes; ++b) {
            out.push_back(uint8_t(i * 40 + b));
        }
    }
    Put32(out, kPixelOffsetField, uint32_t(out.size()));
    AppendRows(out, picture, options);
    return out;
}

void Put16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
    bytes.at(offset) = uint8_t(value);
    bytes.at(offset + 1) = uint8_t(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        bytes.at(offset + i) = uint8_t(value >> (8 * i));
    }
}

}  // namespace kelvista::test
