#include "BmpFileWriter.h"

#include <cstdio>
#include <memory>

namespace kelvista::bench {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kMaskBytes = 12;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFFu));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFFu));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFFu);
    Put16(out, value >> 16);
}

}  // namespace

std::string_view LayoutName(BmpLayout layout) {
    switch (layout) {
        case BmpLayout::Rgb24BottomUp:
            return "rgb24";
        case BmpLayout::Rgb24TopDown:
            return "rgb24_topdown";
        case BmpLayout::Rgb32:
            return "rgb32";
        case BmpLayout::Rgb32Bitfields:
            return "rgb32_bitfields";
    }
    return "?";
}

int32_t LayoutBitsPerPixel(BmpLayout layout) {
    return layout == BmpLayout::Rgb24BottomUp || layout == BmpLayout::Rgb24TopDown ? 24 : 32;
}

std::vector<uint8_t> EncodeBmp(const SamplePicture& picture, BmpLayout layout) {
    const uint32_t bitsPerPixel = static_cast<uint32_t>(LayoutBitsPerPixel(layout));
    const bool bitfields = layout == BmpLayout::Rgb32Bitfields;
    const bool topDown = layout == BmpLayout::Rgb24TopDown;
    const uint32_t width = static_cast<uint32_t>(picture.width);
    const uint32_t height = static_cast<uint32_t>(picture.height);
    const uint32_t stride = (width * bitsPerPixel / 8 + 3) & ~3u;
    const uint32_t pixelOffset = kFileHeaderBytes + kInfoHeaderBytes + (bitfields ? kMaskBytes : 0);
    const uint32_t imageBytes = stride * height;

    std::vector<uint8_t> out;
    out.reserve(pixelOffset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, pixelOffset + imageBytes);
    Put32(out, 0);  // reserved
    Put32(out, pixelOffset);

    Put32(out, kInfoHeaderBytes);
    Put32(out, width);
    Put32(out, topDown ? static_cast<uint32_t>(-picture.height) : height);
    Put16(out, 1);  // planes
    Put16(out, bitsPerPixel);
    Put32(out, bitfields ? kBiBitfields : kBiRgb);
    Put32(out, imageBytes);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);  // colours used
    Put32(out, 0);  // colours important
    if (bitfields) {
        Put32(out, kBitfieldsRedMask);
        Put32(out, kBitfieldsGreenMask);
        Put32(out, kBitfieldsBlueMask);
    }

    for (uint32_t stored = 0; stored < height; ++stored) {
        const int32_t y = static_cast<int32_t>(topDown ? stored : height - 1 - stored);
        const size_t rowStart = out.size();
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.pixel(x, y);
            if (bitfields) {
                out.insert(out.end(), {p[2], p[1], p[0], p[3]});
            } else if (bitsPerPixel == 32) {
                out.insert(out.end(), {p[0], p[1], p[2], p[3]});
            } else {
                out.insert(out.end(), {p[0], p[1], p[2]});
            }
        }
        out.resize(rowStart + stride, 0);
    }
    return out;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                               &std::fclose);
    if (!file) {
        return false;
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
           std::fflush(file.get()) == 0;
}

}  // namespace kelvista::bench
