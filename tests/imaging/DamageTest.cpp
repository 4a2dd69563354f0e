// Damaged and hostile files: every one is refused with -1, nothing is read or allocated out of
// bounds (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include <filesystem>

#include "BmpBuilder.h"
#include "BmpDamage.h"
#include "BmpLoader.h"
#include "TestSupport.h"

namespace kelvista::test {
namespace {

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

void ExpectAllRefused(const DamageSet& set) {
    const std::vector<uint8_t> whole = BuildBmp(Picture::Generated(3, 2), set.options);
    ASSERT_NE(LoadFromMemory(whole).code, -1) << set.name;
    for (const Damage& damage : set.damages) {
        std::vector<uint8_t> file = whole;
        damage.apply(file);
        TraceRecorder traces;
        const LoadResult loaded = LoadFromMemory(file);
        EXPECT_EQ(loaded.code, -1) << set.name << ": " << damage.name;
        EXPECT_EQ(loaded.bitmap, nullptr) << set.name << ": " << damage.name;
        EXPECT_TRUE(IsSentinel(loaded.dib)) << set.name << ": " << damage.name;
    }
}

TEST(HostileHeader, InfoHeaderFieldsAreChecked) {
    ExpectAllRefused(InfoHeaderDamages());
}

TEST(HostileHeader, CoreHeaderFieldsAreChecked) {
    ExpectAllRefused(CoreHeaderDamages());
}

TEST(HostileHeader, ChannelMasksMustBeContiguous) {
    ExpectAllRefused(SplitMaskDamages());
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
