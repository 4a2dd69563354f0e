// Every file of the BMP conformance set: 24- and 32-bit files must give the reference picture,
// every other depth the unsupported-depth refusal. Driven by the directory listing.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "BmpLoader.h"
#include "FrameImage.h"
#include "TestSupport.h"

namespace kelvista::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSuite = fs::path(KELVISTA_TEST_DATA) / "bmpsuite";

std::vector<std::string> SuiteFiles() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kSuite / "good", error)) {
        if (entry.path().extension() == ".bmp") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Bits per pixel as the file's own header states it, read independently of the loader.
int DeclaredDepth(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const size_t bitsAt = bytes.at(14) == 12 ? 24 : 28;
    return bytes.at(bitsAt) | bytes.at(bitsAt + 1) << 8;
}

class BmpSuiteTest : public ::testing::TestWithParam<std::string> {};

TEST_P(BmpSuiteTest, DecodesToTheReferenceOrRefusesTheDepth) {
    const fs::path path = kSuite / "good" / GetParam();
    const int depth = DeclaredDepth(path);
    TraceRecorder traces;
    BitmapHandle bitmap;
    DibSection dib = SentinelDib();
    const int code = LoadBMP(path.string(), bitmap, dib);

    if (depth != 24 && depth != 32) {
        EXPECT_EQ(code, -2);
        const std::vector<std::string> expected = {
            "LoadBMP ...", "ConvertTo32BitDib", "source image is " + std::to_string(depth) + "bit",
            "ConvertTo32BitDib failed"};
        EXPECT_EQ(traces.texts, expected);
        EXPECT_TRUE(IsSentinel(dib));
        return;
    }

    ASSERT_EQ(code, 0);
    EXPECT_EQ(bitmap->sourceBitsPerPixel(), depth);
    const QImage reference(QString::fromStdString((kSuite / "reference" / "rgb24.png").string()));
    ASSERT_FALSE(reference.isNull());
    ASSERT_EQ(dib.width, reference.width());
    ASSERT_EQ(dib.height, reference.height());
    const QImage frame = FrameImage(dib);
    ASSERT_EQ(frame.constBits(), dib.bits) << "the image must wrap the block, not copy it";
    int mismatches = 0;
    for (int y = 0; y < dib.height; ++y) {
        for (int x = 0; x < dib.width; ++x) {
            const QRgb want = reference.pixel(x, y) & 0xFFFFFF;
            const QRgb got = frame.pixel(x, y) & 0xFFFFFF;
            if (want != got && mismatches++ == 0) {
                ADD_FAILURE() << "first difference at (" << x << "," << y << "): " << std::hex
                              << got << " instead of " << want;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(Good, BmpSuiteTest, ::testing::ValuesIn(SuiteFiles()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name = fs::path(param.param).stem().string();
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(BmpSuiteListing, HoldsBothKindsOfFile) {
    const std::vector<std::string> names = SuiteFiles();
    const auto decodable = std::count_if(names.begin(), names.end(), [](const std::string& name) {
        const int depth = DeclaredDepth(kSuite / "good" / name);
        return depth == 24 || depth == 32;
    });
    EXPECT_GE(decodable, 5);
    EXPECT_GT(names.size(), size_t(decodable));
}

}  // namespace
}  // namespace kelvista::test
