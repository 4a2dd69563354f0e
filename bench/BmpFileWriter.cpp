#include "BmpFileWriter.h"

#include <cstdio>
#include <memory>

namespace kelvista::bench {

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

demo::BmpFormat LayoutFormat(BmpLayout layout) {
    demo::BmpFormat format;
    format.depth = LayoutBitsPerPixel(layout) == 32 ? demo::BmpDepth::Rgb32 : demo::BmpDepth::Rgb24;
    format.order =
        layout == BmpLayout::Rgb24TopDown ? demo::RowOrder::TopDown : demo::RowOrder::BottomUp;
    if (layout == BmpLayout::Rgb32Bitfields) {
        format.masks = demo::BmpMasks{kBitfieldsRedMask, kBitfieldsGreenMask, kBitfieldsBlueMask};
    }
    format.keepAlpha = true;
    return format;
}

std::vector<uint8_t> EncodeLayout(const SamplePicture& picture, BmpLayout layout) {
    return demo::EncodeBmp(PictureImage(picture), LayoutFormat(layout));
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
