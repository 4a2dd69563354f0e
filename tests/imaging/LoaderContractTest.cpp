// The return codes, trace texts and handle/record rules of LoadBMP and ConvertTo32BitDib.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include <sys/stat.h>

#include "BmpBuilder.h"
#include "BmpLoader.h"
#include "BmpPixelSource.h"
#include "TestSupport.h"

namespace kelvista::test {
namespace {

using Texts = std::vector<std::string>;

std::vector<uint8_t> File24(int32_t width, int32_t height, bool topDown = false) {
    BmpOptions options;
    options.topDown = topDown;
    return BuildBmp(Picture::Generated(width, height), options);
}

TEST(LoaderContract, ThirtyTwoBitFileIsUsedAsLoaded) {
    BmpOptions options;
    options.bitsPerPixel = 32;
    const std::vector<uint8_t> file = BuildBmp(Picture::Generated(4, 2), options);
    TraceRecorder traces;
    LoadResult loaded = LoadFromMemory(file);
    ASSERT_EQ(loaded.code, 0);
    EXPECT_EQ(traces.texts, (Texts{"LoadBMP ...", "ConvertTo32BitDib", "LoadBmp success"}));
    EXPECT_EQ(loaded.dib.width, 4);
    EXPECT_EQ(loaded.dib.height, 2);
    EXPECT_EQ(loaded.dib.bits, loaded.bitmap->bits());

    const FrameBitmap* before = loaded.bitmap.get();
    EXPECT_EQ(ConvertTo32BitDib(loaded.bitmap), 1);
    EXPECT_EQ(loaded.bitmap.get(), before);
}

TEST(LoaderContract, TwentyFourBitRowsWidenWithAnOpaqueFourthByte) {
    // 3 pixels: 9 bytes of data in a 12-byte stride.
    const Picture picture = Picture::Generated(3, 2);
    TraceRecorder traces;
    const LoadResult loaded = LoadFromMemory(File24(3, 2));
    ASSERT_EQ(loaded.code, 0);
    EXPECT_EQ(traces.texts,
              (Texts{"LoadBMP ...", "ConvertTo32BitDib", "size(3,2)", "LoadBmp success"}));
    EXPECT_EQ(loaded.dib.bitsPerPixel, 32);
    EXPECT_EQ(loaded.bitmap->sourceBitsPerPixel(), 24);
    ASSERT_EQ(loaded.dib.bytesPerRow, 12);
    for (int32_t y = 0; y < 2; ++y) {
        const uint8_t* row = loaded.dib.bits + y * 12;
        for (int32_t x = 0; x < 3; ++x) {
            const Rgb& c = picture.at(x, y);
            EXPECT_EQ(row[4 * x], c.blue);
            EXPECT_EQ(row[4 * x + 1], c.green);
            EXPECT_EQ(row[4 * x + 2], c.red);
            EXPECT_EQ(row[4 * x + 3], 0xFF);
        }
    }
}

TEST(LoaderContract, OnePixelHighPicturesConvertTheirOneRow) {
    const Picture picture = Picture::Generated(4, 1);
    for (const bool topDown : {false, true}) {
        const LoadResult loaded = LoadFromMemory(File24(4, 1, topDown));
        ASSERT_EQ(loaded.code, 0);
        ASSERT_EQ(loaded.dib.height, 1);
        for (int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(loaded.dib.bits[4 * x + 2], picture.at(x, 0).red) << "top-down " << topDown;
        }
    }
}

TEST(LoaderContract, EightBitFileIsRefusedWithItsDepth) {
    BmpOptions options;
    options.bitsPerPixel = 8;
    options.paletteEntries = 256;
    TraceRecorder traces;
    const LoadResult loaded = LoadFromMemory(BuildBmp(Picture::Generated(5, 3), options));
    EXPECT_EQ(loaded.code, -2);
    EXPECT_EQ(traces.texts, (Texts{"LoadBMP ...", "ConvertTo32BitDib", "source image is 8bit",
                                   "ConvertTo32BitDib failed"}));
    ASSERT_NE(loaded.bitmap, nullptr) << "the loaded bitmap stays with the caller";
    EXPECT_EQ(loaded.bitmap->bitsPerPixel(), 8);
    EXPECT_TRUE(IsSentinel(loaded.dib));
}

TEST(LoaderContract, UnreadablePathsFailTheLoadAndEmptyTheHandle) {
    const std::filesystem::path missing =
        std::filesystem::temp_directory_path() / "kelvista-imaging-no-such-file.bmp";
    const TempFile notABitmap(std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0,
                                                   0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0});
    // A FIFO without a writer would block a plain open forever.
    const WaitingFile waiting;
    const std::string fifo = waiting.path();
    for (const std::string& path : {missing.string(), notABitmap.path(), fifo,
                                    std::filesystem::temp_directory_path().string()}) {
        TraceRecorder traces;
        BitmapHandle bitmap = FrameBitmap::Create32(1, 1);
        DibSection dib = SentinelDib();
        EXPECT_EQ(LoadBMP(path, bitmap, dib), -1) << path;
        EXPECT_EQ(bitmap, nullptr) << path;
        EXPECT_TRUE(IsSentinel(dib)) << path;
        EXPECT_EQ(traces.texts, (Texts{"LoadBMP ...", "LoadImage failed"})) << path;
    }
}

struct UnsupportedCase {
    const char* name;
    HeaderVersion version;
    uint16_t bitsPerPixel;
    uint32_t compression;
    uint32_t paletteEntries;
};

void PrintTo(const UnsupportedCase& c, std::ostream* out) {
    *out << c.name;
}

class UnsupportedFormatTest : public ::testing::TestWithParam<UnsupportedCase> {};

TEST_P(UnsupportedFormatTest, LoadsButRefusesTheConversion) {
    const UnsupportedCase& c = GetParam();
    BmpOptions options;
    options.version = c.version;
    options.bitsPerPixel = c.bitsPerPixel;
    options.compression = c.compression;
    options.paletteEntries = c.paletteEntries;
    options.masks = {0xF800, 0x07E0, 0x001F, 0};
    TraceRecorder traces;
    const LoadResult loaded = LoadFromMemory(BuildBmp(Picture::Generated(6, 3), options));
    EXPECT_EQ(loaded.code, -2);
    ASSERT_EQ(traces.texts.size(), 4u);
    EXPECT_EQ(traces.texts[2], "source image is " + std::to_string(c.bitsPerPixel) + "bit");
    ASSERT_NE(loaded.bitmap, nullptr);
    EXPECT_EQ(loaded.bitmap->bitsPerPixel(), c.bitsPerPixel);
    EXPECT_TRUE(IsSentinel(loaded.dib));
}

using namespace compression;
INSTANTIATE_TEST_SUITE_P(
    Formats, UnsupportedFormatTest,
    ::testing::Values(UnsupportedCase{"Mono", HeaderVersion::Info40, 1, kRgb, 2},
                      UnsupportedCase{"TwoBit", HeaderVersion::Info40, 2, kRgb, 4},
                      UnsupportedCase{"FourBitCore", HeaderVersion::Core12, 4, kRgb, 16},
                      UnsupportedCase{"EightBitV5", HeaderVersion::V5_124, 8, kRgb, 256},
                      UnsupportedCase{"Rgb16", HeaderVersion::Info40, 16, kRgb, 0},
                      UnsupportedCase{"Bitfields16", HeaderVersion::V3_56, 16, kBitfields, 0},
                      UnsupportedCase{"Deep64", HeaderVersion::Info40, 64, kRgb, 0},
                      UnsupportedCase{"Rle8", HeaderVersion::Info40, 8, kRle8, 256},
                      UnsupportedCase{"Rle4", HeaderVersion::Info40, 4, kRle4, 16},
                      UnsupportedCase{"Huffman", HeaderVersion::Os2_64, 1, kOs2Huffman, 2},
                      UnsupportedCase{"Rle24", HeaderVersion::Os2_64, 24, kOs2Rle24, 0},
                      UnsupportedCase{"Jpeg", HeaderVersion::Info40, 0, kJpeg, 0},
                      UnsupportedCase{"Png", HeaderVersion::V5_124, 0, kPng, 0},
                      UnsupportedCase{"Bitfields24", HeaderVersion::Info40, 24, kBitfields, 0},
                      UnsupportedCase{"Jpeg32", HeaderVersion::Info40, 32, kJpeg, 0}),
    [](const ::testing::TestParamInfo<UnsupportedCase>& param) {
        return std::string(param.param.name);
    });

TEST(ConvertTo32BitDib, WithoutABitmapTheGeometryReadFails) {
    TraceRecorder traces;
    BitmapHandle none;
    EXPECT_EQ(ConvertTo32BitDib(none), -1);
    EXPECT_EQ(traces.texts, (Texts{"ConvertTo32BitDib", "GetObject failed"}));
}

// A 24-bit bitmap whose rows are still in `bytes`, as the decoder leaves it.
BitmapHandle RowsInMemory(const std::vector<uint8_t>& bytes, int32_t width, int32_t height) {
    SourceRowLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitsPerPixel = 24;
    layout.pixelOffset = 0;
    layout.bytesPerRow = (uint64_t(width) * 3 + 3) / 4 * 4;
    auto source = BmpPixelSource::FromMemory(bytes.data(), bytes.size());
    source->setRowLayout(layout);
    return FrameBitmap::FromSource(std::move(source));
}

TEST(ConvertTo32BitDib, KeepsTheSourceWhenTheResultCannotBeMade) {
    const std::vector<uint8_t> rows(64);
    struct {
        int32_t width;
        int32_t height;
    } const cases[] = {{20000, 20000}, {4, 100}};  // over the size limit; rows the buffer lacks
    for (const auto& c : cases) {
        BitmapHandle bitmap = RowsInMemory(rows, c.width, c.height);
        const FrameBitmap* source = bitmap.get();
        TraceRecorder traces;
        EXPECT_EQ(ConvertTo32BitDib(bitmap), -3);
        EXPECT_EQ(traces.texts.back(), "CreateDIBSection failed");
        EXPECT_EQ(bitmap.get(), source);
    }
}

TEST(ExpandRow24To32, ReportsMissingBuffersAndCopiesNothingForEmptyCounts) {
    const uint8_t src[6] = {1, 2, 3, 4, 5, 6};
    uint8_t dst[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(ExpandRow24To32(nullptr, src, 2), -1);
    EXPECT_EQ(ExpandRow24To32(nullptr, nullptr, 2), -1);
    EXPECT_EQ(ExpandRow24To32(dst, nullptr, 2), -2);
    EXPECT_EQ(ExpandRow24To32(dst, src, 0), 0);
    EXPECT_EQ(ExpandRow24To32(dst, src, -5), 0);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 8), std::vector<uint8_t>(8, 9));
    EXPECT_EQ(ExpandRow24To32(dst, src, 2), 0);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 8),
              (std::vector<uint8_t>{1, 2, 3, 0xFF, 4, 5, 6, 0xFF}));
}

}  // namespace
}  // namespace kelvista::test
