// Damaged and hostile files: every one is refused with -1, nothing is read or allocated out of
// bounds (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <limits>

#include "BmpBuilder.h"
#include "BmpLoader.h"
#include "TestSupport.h"

namespace kelvista::test {
namespace {

struct Sample {
    const char* name;
    BmpOptions options;
};

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

TEST(Truncation, EveryShortenedFileIsRefused) {
    for (const Sample& sample : Samples()) {
        const std::vector<uint8_t> whole = BuildBmp(Picture::Generated(3, 2), sample.options);
        ASSERT_NE(LoadFromMemory(whole).code, -1) << sample.name;
        for (size_t length = 0; length < whole.size(); ++length) {
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + ptrdiff_t(length));
            const LoadResult loaded = LoadFromMemory(cut);
            EXPECT_EQ(loaded.code, -1) << sample.name << " cut to " << length;
            EXPECT_EQ(loaded.bitmap, nullptr) << sample.name << " cut to " << length;
        }
    }
}

struct Damage {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> apply;
};

void ExpectAllRefused(const std::vector<Damage>& damages, const BmpOptions& options) {
    const std::vector<uint8_t> whole = BuildBmp(Picture::Generated(3, 2), options);
    ASSERT_NE(LoadFromMemory(whole).code, -1);
    for (const Damage& damage : damages) {
        std::vector<uint8_t> file = whole;
        damage.apply(file);
        TraceRecorder traces;
        const LoadResult loaded = LoadFromMemory(file);
        EXPECT_EQ(loaded.code, -1) << damage.name;
        EXPECT_EQ(loaded.bitmap, nullptr) << damage.name;
        EXPECT_TRUE(IsSentinel(loaded.dib)) << damage.name;
    }
}

Damage Field32(const char* name, size_t offset, uint32_t value) {
    return {name, [=](std::vector<uint8_t>& f) { Put32(f, offset, value); }};
}

Damage Field16(const char* name, size_t offset, uint16_t value) {
    return {name, [=](std::vector<uint8_t>& f) { Put16(f, offset, value); }};
}

TEST(HostileHeader, InfoHeaderFieldsAreChecked) {
    constexpr uint32_t kMinInt = uint32_t(std::numeric_limits<int32_t>::min());
    const std::vector<Damage> damages = {
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
    };
    ExpectAllRefused(damages, BmpOptions{});
}

TEST(HostileHeader, CoreHeaderFieldsAreChecked) {
    BmpOptions core;
    core.version = HeaderVersion::Core12;
    ExpectAllRefused(
        {Field16("width zero", kWidthField, 0), Field16("height zero", 20, 0),
         Field16("height huge", 20, 0xFFFF), Field16("planes 2", 22, 2), Field16("depth 5", 24, 5)},
        core);
}

TEST(HostileHeader, ChannelMasksMustBeContiguous) {
    BmpOptions options;
    options.bitsPerPixel = 32;
    options.compression = compression::kAlphaBitfields;
    ExpectAllRefused({Field32("split red", kFirstMaskField, 0x00FF00FF),
                      Field32("split green", kFirstMaskField + 4, 0x0000F0F0),
                      Field32("split blue", kFirstMaskField + 8, 0x80000001),
                      Field32("split alpha", kFirstMaskField + 12, 0x0F00000F)},
                     options);
}

// Masks matter only where pixels are decoded through them: at another depth odd masks leave the
// file an unsupported one (-2), not a damaged one (-1).
TEST(HostileHeader, OddMasksAtOtherDepthsAreUnsupportedNotDamaged) {
    BmpOptions options;
    options.bitsPerPixel = 16;
    options.compression = compression::kBitfields;
    options.masks = ChannelMasks{0xF00F, 0x0F00, 0x00F0, 0};  // red in two runs
    const TempFile temp(BuildBmp(Picture::Generated(4, 3), options));
    BitmapHandle bitmap;
    DibSection dib = SentinelDib();
    EXPECT_EQ(LoadBMP(temp.path(), bitmap, dib), -2);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->sourceBitsPerPixel(), 16);
}

// A file whose pixel data is all there but widens past kMaxBitmapBytes: refused from the header,
// without allocating. The file is sparse, so it costs no disk.
TEST(HostileHeader, ResultsOverTheSizeLimitAreRefused) {
    for (const uint16_t bits : {uint16_t{24}, uint16_t{32}}) {
        BmpOptions options;
        options.bitsPerPixel = bits;
        std::vector<uint8_t> file = BuildBmp(Picture::Generated(1, 1), options);
        const uint32_t width = 16384;
        const uint32_t height = 16385;  // 4 * width * height = 1 GiB + 64 KiB
        Put32(file, kWidthField, width);
        Put32(file, kHeightField, height);
        file.resize(54);
        const TempFile temp(file);
        const uint64_t stride = (uint64_t{width} * bits + 31) / 32 * 4;
        std::filesystem::resize_file(temp.path(), 54 + stride * height);
        BitmapHandle bitmap;
        DibSection dib = SentinelDib();
        EXPECT_EQ(LoadBMP(temp.path(), bitmap, dib), -1) << bits << " bits";
        EXPECT_EQ(bitmap, nullptr);
    }
}

}  // namespace
}  // namespace kelvista::test
