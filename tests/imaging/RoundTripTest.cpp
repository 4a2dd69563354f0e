// Files written by BmpBuilder in every header version, orientation and pixel layout come back as
// the picture they were made from, from memory and from disk.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "BmpBuilder.h"
#include "FrameBitmap.h"
#include "TestSupport.h"

namespace kelvista::test {
namespace {

struct PixelFormat {
    const char* name;
    uint16_t bitsPerPixel;
    uint32_t compression;
    ChannelMasks masks;
};

const PixelFormat kFormats[] = {
    {"Bgr24", 24, compression::kRgb, {}},
    {"Bgrx32", 32, compression::kRgb, {}},
    {"StandardMasks32", 32, compression::kBitfields, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {"SwappedMasks32", 32, compression::kBitfields, {0xFF, 0xFF00, 0xFF0000, 0}},
    {"TenBitMasks32", 32, compression::kBitfields, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
    {"NarrowMasks32", 32, compression::kBitfields, {0xF8000000, 0x07E00000, 0x001F0000, 0}},
    {"NoGreenMask32", 32, compression::kBitfields, {0xFF000000, 0, 0xFF00, 0xFF}},
    {"AlphaBitfields32", 32, compression::kAlphaBitfields, {0xFF00, 0xFF0000, 0xFF000000, 0xFF}},
};

const HeaderVersion kVersions[] = {
    HeaderVersion::Core12, HeaderVersion::Info40, HeaderVersion::V2_52, HeaderVersion::V3_56,
    HeaderVersion::Os2_64, HeaderVersion::V4_108, HeaderVersion::V5_124};

struct RoundTripCase {
    HeaderVersion version;
    bool topDown;
    PixelFormat format;
    bool fromFile;
};

void PrintTo(const RoundTripCase& c, std::ostream* out) {
    *out << HeaderName(c.version) << (c.topDown ? " top-down " : " bottom-up ") << c.format.name
         << (c.fromFile ? " from a file" : " from memory");
}

std::vector<RoundTripCase> AllCases() {
    std::vector<RoundTripCase> cases;
    for (const HeaderVersion version : kVersions) {
        for (const bool topDown : {false, true}) {
            for (const PixelFormat& format : kFormats) {
                const bool masked = format.compression != compression::kRgb;
                const bool core = version == HeaderVersion::Core12;
                if ((core && topDown) || (masked && (core || version == HeaderVersion::Os2_64))) {
                    continue;  // these headers cannot say it
                }
                for (const bool fromFile : {false, true}) {
                    cases.push_back({version, topDown, format, fromFile});
                }
            }
        }
    }
    return cases;
}

// Checks every pixel of a loaded bitmap against the picture the file was made from.
void ExpectPicture(const DibSection& dib, const Picture& picture, const PixelFormat& format) {
    ASSERT_EQ(dib.width, picture.width);
    ASSERT_EQ(dib.height, picture.height);
    ASSERT_EQ(dib.bitsPerPixel, 32);
    ASSERT_EQ(dib.bytesPerRow, picture.width * 4);
    const ChannelMasks& masks = format.masks;
    // Standard masks keep the colour bytes as stored.
    const bool asStored = format.bitsPerPixel == 32 && HasStandardColourMasks(masks);
    int mismatches = 0;
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x) {
            const Rgb& c = picture.at(x, y);
            const bool exact = format.bitsPerPixel == 24 || asStored;
            const uint8_t want[4] = {
                exact ? c.blue : ThroughMask(c.blue, masks.blue),
                exact ? c.green : ThroughMask(c.green, masks.green),
                exact ? c.red : ThroughMask(c.red, masks.red),
                0xFF,  // opaque, whatever the file's fourth byte (SpareByte) held
            };
            const uint8_t* got = dib.bits + size_t(y) * size_t(dib.bytesPerRow) + size_t(x) * 4;
            for (int b = 0; b < 4; ++b) {
                if (got[b] != want[b] && mismatches++ < 3) {
                    ADD_FAILURE() << "pixel (" << x << "," << y << ") byte " << b << ": "
                                  << int(got[b]) << " instead of " << int(want[b]);
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

class RoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTripTest, LoadsThePictureItWasMadeFrom) {
    const RoundTripCase& c = GetParam();
    const Picture picture = Picture::Generated(5, 3);
    BmpOptions options;
    options.version = c.version;
    options.topDown = c.topDown;
    options.bitsPerPixel = c.format.bitsPerPixel;
    options.compression = c.format.compression;
    options.masks = c.format.masks;
    const std::vector<uint8_t> file = BuildBmp(picture, options);

    const LoadResult loaded = c.fromFile ? LoadFromFile(file) : LoadFromMemory(file);
    ASSERT_EQ(loaded.code, 0);
    EXPECT_EQ(loaded.bitmap->sourceBitsPerPixel(), c.format.bitsPerPixel);
    ExpectPicture(loaded.dib, picture, c.format);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, RoundTripTest, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<RoundTripCase>& param) {
                             const RoundTripCase& c = param.param;
                             return std::string(HeaderName(c.version)) +
                                    (c.topDown ? "_TopDown_" : "_BottomUp_") + c.format.name +
                                    (c.fromFile ? "_File" : "_Memory");
                         });

// Pictures large enough that the rows are read in several runs: more rows than one vectored read
// takes, and more 24-bit bytes than one staging run holds.
struct LargeCase {
    const char* name;
    int32_t width;
    int32_t height;
    PixelFormat format;
    bool topDown;
};

void PrintTo(const LargeCase& c, std::ostream* out) {
    *out << c.name;
}

class LargeRoundTripTest : public ::testing::TestWithParam<LargeCase> {};

TEST_P(LargeRoundTripTest, LoadsEveryRunOfRows) {
    const LargeCase& c = GetParam();
    const Picture picture = Picture::Generated(c.width, c.height);
    BmpOptions options;
    options.bitsPerPixel = c.format.bitsPerPixel;
    options.compression = c.format.compression;
    options.masks = c.format.masks;
    options.topDown = c.topDown;
    const LoadResult loaded = LoadFromFile(BuildBmp(picture, options));
    ASSERT_EQ(loaded.code, 0);
    ExpectPicture(loaded.dib, picture, c.format);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, LargeRoundTripTest,
    ::testing::Values(LargeCase{"TallBottomUp32", 3, 2500, kFormats[1], false},
                      LargeCase{"WideBottomUp24", 1001, 200, kFormats[0], false},
                      LargeCase{"WideTopDown24", 1001, 200, kFormats[0], true},
                      LargeCase{"TallTopDown24", 7, 40000, kFormats[0], true}),
    [](const ::testing::TestParamInfo<LargeCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace kelvista::test
