#include "BmpDamage.h"

#include <limits>

namespace kelvista::test {

namespace {

Damage Field32(const char* name, size_t offset, uint32_t value) {
    return {name, [=](std::vector<uint8_t>& f) { Put32(f, offset, value); }};
}

Damage Field16(const char* name, size_t offset, uint16_t value) {
    return {name, [=](std::vector<uint8_t>& f) { Put16(f, offset, value); }};
}

}  // namespace

std::vector<Sample> Samples() {
    BmpOptions core;
    core.version = HeaderVersion::Core12;
    BmpOptions bitfields;
    bitfields.bitsPerPixel = 32;
    bitfields.compression = compression::kBitfields;
    bitfields.masks = {0xFF, 0xFF00, 0xFF0000, 0};
    BmpOptions v5;
    v5.version = HeaderVersion::V5_124;
    v5.bitsPerPixel = 32;
    v5.topDown = true;
    BmpOptions palette;
    palette.bitsPerPixel = 8;
    palette.paletteEntries = 4;
    return {{"Info24", BmpOptions{}},
            {"Core24", core},
            {"Bitfields32", bitfields},
            {"V5TopDown32", v5},
            {"Palette8", palette}};
}

DamageSet InfoHeaderDamages() {
    constexpr uint32_t kMinInt = uint32_t(std::numeric_limits<int32_t>::min());
    return {"InfoHeader",
            BmpOptions{},
            {
                {"signature", [](std::vector<uint8_t>& f) { f[1] = 'A'; }},
                Field32("width zero", kWidthField, 0),
                Field32("width negative", kWidthField, uint32_t(-3)),
                Field32("width huge", kWidthField, 0x7FFFFFFF),
                Field32("width huge negative", kWidthField, kMinInt),
                Field32("height zero", kHeightField, 0),
                Field32("height INT32_MIN", kHeightField, kMinInt),
                Field32("height huge", kHeightField, 0x7FFFFFFF),
                Field32("height huge top-down", kHeightField, uint32_t(-0x7FFFFFFF)),
                Field32("height one too many", kHeightField, 3),
                {"offset at end of file",
                 [](std::vector<uint8_t>& f) { Put32(f, kPixelOffsetField, uint32_t(f.size())); }},
                Field32("offset negative", kPixelOffsetField, 0xFFFFFFFF),
                Field32("offset zero", kPixelOffsetField, 0),
                Field32("offset inside header", kPixelOffsetField, 30),
                Field32("offset one row short", kPixelOffsetField, 54 + 12),
                Field32("header size 0", kHeaderSizeField, 0),
                Field32("header size 1", kHeaderSizeField, 1),
                Field32("header size 39", kHeaderSizeField, 39),
                Field32("header size 1000", kHeaderSizeField, 1000),
                Field32("header size huge", kHeaderSizeField, 0xFFFFFFF0),
                Field16("planes 0", kPlanesField, 0),
                Field16("planes 2", kPlanesField, 2),
                Field16("depth 0 uncompressed", kBitsField, 0),
                Field16("depth 3", kBitsField, 3),
                Field16("depth 48", kBitsField, 48),
                Field32("compression 7", kCompressionField, 7),
                Field32("compression huge", kCompressionField, 0x80000003),
            }};
}

DamageSet CoreHeaderDamages() {
    BmpOptions core;
    core.version = HeaderVersion::Core12;
    return {"CoreHeader",
            core,
            {Field16("width zero", kWidthField, 0), Field16("height zero", 20, 0),
             Field16("height huge", 20, 0xFFFF), Field16("planes 2", 22, 2),
             Field16("depth 5", 24, 5)}};
}

DamageSet SplitMaskDamages() {
    BmpOptions options;
    options.bitsPerPixel = 32;
    options.compression = compression::kAlphaBitfields;
    return {"SplitMasks",
            options,
            {Field32("split red", kFirstMaskField, 0x00FF00FF),
             Field32("split green", kFirstMaskField + 4, 0x0000F0F0),
             Field32("split blue", kFirstMaskField + 8, 0x80000001),
             Field32("split alpha", kFirstMaskField + 12, 0x0F00000F)}};
}

}  // namespace kelvista::test
