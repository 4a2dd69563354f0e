// CompareFrames: known changed rectangles, sizes, depths, and random frames against the definition;
// loading a frame over the one before against a fresh load and the comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "BmpBuilder.h"
#include "BmpBytes.h"
#include "BmpLoader.h"
#include "FrameDiff.h"
#include "TestPictures.h"
#include "TestSupport.h"

namespace kelvista::test {
namespace {

// A frame of width * height pixels with a pattern; its DibSection points into `bytes`.
struct Frame {
    Frame(int32_t w, int32_t h) : bytes(size_t(w) * size_t(h) * 4) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = uint8_t(i * 7 + i / 4);
        }
        dib = {w, h, w * 4, 32, bytes.data()};
    }
    // One colour byte flipped (which of the three varies), and the fourth byte always.
    void change(int32_t x, int32_t y) {
        uint8_t* pixel = bytes.data() + (size_t(y) * size_t(dib.width) + size_t(x)) * 4;
        pixel[(x + y) % 3] ^= 0x10;
    }
    std::vector<uint8_t> bytes;
    DibSection dib;
};

struct DiffCase {
    const char* name;
    int32_t join;
    std::vector<DiffRegion> changes;  // rectangles painted into the second frame
    std::vector<DiffRegion> expected;
    int32_t toWidth = 64;
    bool sizesDiffer = false;
};

TEST(FrameDiff, FindsTheChangedRegions) {
    const std::vector<DiffCase> cases = {
        {"identical", 8, {}, {}},
        {"apart", 8, {{10, 10, 5, 5}, {40, 10, 5, 5}}, {{10, 10, 5, 5}, {40, 10, 5, 5}}},
        {"eight apart join", 8, {{10, 10, 5, 5}, {22, 12, 3, 3}}, {{10, 10, 15, 5}}},
        {"nine apart stay", 8, {{10, 10, 5, 5}, {23, 12, 3, 3}}, {{10, 10, 5, 5}, {23, 12, 3, 3}}},
        {"diagonal join", 8, {{10, 10, 2, 2}, {19, 19, 2, 2}}, {{10, 10, 11, 11}}},
        {"diagonal stay", 8, {{10, 10, 2, 2}, {20, 19, 2, 2}}, {{10, 10, 2, 2}, {20, 19, 2, 2}}},
        {"edges", 8, {{0, 0, 3, 3}, {61, 45, 3, 3}}, {{0, 0, 3, 3}, {61, 45, 3, 3}}},
        {"one pixel", 8, {{63, 47, 1, 1}}, {{63, 47, 1, 1}}},
        {"whole frame", 8, {{0, 0, 64, 48}}, {{0, 0, 64, 48}}},
        {"top then left", 8, {{40, 5, 2, 2}, {5, 20, 2, 2}}, {{40, 5, 2, 2}, {5, 20, 2, 2}}},
        {"join 1 diagonal", 1, {{5, 5, 1, 1}, {6, 6, 1, 1}}, {{5, 5, 2, 2}}},
        {"join 1 gap", 1, {{5, 5, 1, 1}, {7, 5, 1, 1}}, {{5, 5, 1, 1}, {7, 5, 1, 1}}},
        {"join beyond frame", 500, {{0, 0, 1, 1}, {63, 47, 1, 1}}, {{0, 0, 64, 48}}},
        {"sizes differ", 8, {}, {{0, 0, 65, 48}}, 65, true},
    };
    for (const DiffCase& c : cases) {
        SCOPED_TRACE(c.name);
        Frame from(64, 48);
        Frame to(c.toWidth, 48);
        for (size_t i = 3; i < to.bytes.size(); i += 4) {
            to.bytes[i] ^= 0xFF;
        }
        uint64_t painted = 0;
        for (const DiffRegion& r : c.changes) {
            for (int32_t y = r.y; y < r.y + r.height; ++y) {
                for (int32_t x = r.x; x < r.x + r.width; ++x, ++painted) {
                    to.change(x, y);
                }
            }
        }
        const std::optional<FrameDiff> diff = CompareFrames(from.dib, to.dib, c.join);
        ASSERT_TRUE(diff);
        EXPECT_EQ(diff->sizesDiffer, c.sizesDiffer);
        EXPECT_EQ(diff->toWidth, c.toWidth);
        EXPECT_EQ(diff->changedPixels, c.sizesDiffer ? uint64_t(c.toWidth) * 48 : painted);
        EXPECT_EQ(diff->regions, c.expected);
    }
}

TEST(FrameDiff, SameSceneAt24And32BitsHasNoChanges) {
    const std::string bytes24 = Bmp24(PatternPicture(37, 21, 5));
    const std::string bytes32 = Bmp32(PatternPicture(37, 21, 5));
    BitmapHandle bitmap24;
    BitmapHandle bitmap32;
    DibSection dib24;
    DibSection dib32;
    ASSERT_EQ(LoadBMPFromMemory(reinterpret_cast<const uint8_t*>(bytes24.data()), bytes24.size(),
                                bitmap24, dib24),
              0);
    ASSERT_EQ(LoadBMPFromMemory(reinterpret_cast<const uint8_t*>(bytes32.data()), bytes32.size(),
                                bitmap32, dib32),
              0);
    const std::optional<FrameDiff> diff = CompareFrames(dib24, dib32);
    ASSERT_TRUE(diff);
    EXPECT_EQ(diff->changedPixels, 0u);
    EXPECT_TRUE(diff->regions.empty());
    EXPECT_FALSE(CompareFrames(dib24, DibSection{}));
    EXPECT_FALSE(CompareFrames(dib24, dib32, 0));
}

// The definition itself: a region grows by every changed pixel within reach of one it holds.
std::vector<DiffRegion> BruteForce(const Frame& from, const Frame& to, int32_t join) {
    std::vector<std::pair<int32_t, int32_t>> left;  // changed pixels not yet in a region
    for (int32_t i = 0; i < from.dib.width * from.dib.height; ++i) {
        if (!std::equal(&from.bytes[size_t(i) * 4], &from.bytes[size_t(i) * 4 + 3],
                        &to.bytes[size_t(i) * 4])) {
            left.emplace_back(i % from.dib.width, i / from.dib.width);
        }
    }
    std::vector<DiffRegion> regions;
    while (!left.empty()) {
        std::vector<std::pair<int32_t, int32_t>> region{left.back()};
        left.pop_back();
        for (size_t k = 0; k < region.size(); ++k) {
            const int32_t x = region[k].first;  // not a structured binding: lambdas capture it
            const int32_t y = region[k].second;
            const auto near = std::partition(left.begin(), left.end(), [&](const auto& p) {
                return std::abs(p.first - x) > join || std::abs(p.second - y) > join;
            });
            region.insert(region.end(), near, left.end());
            left.erase(near, left.end());
        }
        const auto [x0, x1] = std::minmax_element(region.begin(), region.end());
        const auto [y0, y1] = std::minmax_element(
            region.begin(), region.end(), [](auto& a, auto& b) { return a.second < b.second; });
        regions.push_back(
            {x0->first, y0->second, x1->first - x0->first + 1, y1->second - y0->second + 1});
    }
    std::sort(regions.begin(), regions.end(), [](const DiffRegion& a, const DiffRegion& b) {
        // Top to bottom, left to right; boxes that start at one point, smaller first.
        return std::tie(a.y, a.x, a.height, a.width) < std::tie(b.y, b.x, b.height, b.width);
    });
    return regions;
}

TEST(FrameDiff, RandomFramesMatchTheDefinition) {
    std::mt19937 random(20);
    for (int round = 0; round < 400; ++round) {
        const int32_t width = 1 + int32_t(random() % 40);
        const int32_t height = 1 + int32_t(random() % 30);
        const int32_t join = 1 + int32_t(random() % 6);
        Frame from(width, height);
        Frame to(width, height);
        const int32_t count = int32_t(random() % 30);
        for (int32_t i = 0; i < count; ++i) {
            to.change(int32_t(random() % uint32_t(width)), int32_t(random() % uint32_t(height)));
        }
        const std::optional<FrameDiff> diff = CompareFrames(from.dib, to.dib, join);
        ASSERT_TRUE(diff);
        ASSERT_EQ(diff->regions, BruteForce(from, to, join))
            << width << "x" << height << " join " << join << " round " << round;
    }
}

// A load over the frame before must leave exactly what a fresh load gives, with the code of a
// fresh load, and map exactly what comparing the two pictures maps.
TEST(FrameDiff, LoadingOverTheFrameBeforeIsAFreshLoadAndItsComparison) {
    BmpOptions bits32;
    bits32.bitsPerPixel = 32;
    BmpOptions topDown;
    topDown.topDown = true;
    BmpOptions bits8;
    bits8.bitsPerPixel = 8;
    const struct {
        const char* name;
        BmpOptions before;
        BmpOptions after;
        std::vector<std::pair<int32_t, int32_t>> changed;  // pixels of a 37 x 5 frame
        int32_t afterWidth = 37;
        size_t cut = 0;  // bytes cut off the second file
        int code = 0;
        bool mapped = true;
    } rows[] = {
        {"in place, whole and last groups", {}, {}, {{0, 0}, {15, 1}, {16, 1}, {36, 4}, {33, 2}}},
        {"in place, unchanged", {}, {}, {}},
        {"top-down over bottom-up", {}, topDown, {{3, 0}, {20, 4}}},
        {"32-bit over 24-bit", {}, bits32, {{7, 3}}},
        {"24-bit over 32-bit", bits32, {}, {{36, 0}}},
        {"sizes differ", {}, {}, {}, 38, 0, 0, false},
        {"rows cut short", {}, {}, {{1, 1}}, 37, 10, -1, false},
        {"refused depth", {}, bits8, {}, 37, 0, -2, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Picture after = Picture::Generated(row.afterWidth, 5);
        for (const auto& [x, y] : row.changed) {
            after.pixels[size_t(y) * size_t(row.afterWidth) + size_t(x)].green ^= 0x40;
        }
        const std::vector<uint8_t> beforeFile = BuildBmp(Picture::Generated(37, 5), row.before);
        std::vector<uint8_t> afterFile = BuildBmp(after, row.after);
        afterFile.resize(afterFile.size() - row.cut);
        BitmapHandle before, fresh, over;
        DibSection beforeDib, freshDib, overDib;
        ASSERT_EQ(LoadBMPFromMemory(beforeFile.data(), beforeFile.size(), before, beforeDib), 0);
        ASSERT_EQ(LoadBMPFromMemory(beforeFile.data(), beforeFile.size(), over, overDib), 0);
        const int code = LoadBMPFromMemory(afterFile.data(), afterFile.size(), fresh, freshDib);
        ChangeMap map;
        map.reset(4, 4);  // left from an earlier load: must not survive this one
        map.mark(0, 0, 1);
        EXPECT_EQ(LoadBMPFromMemoryOver(afterFile.data(), afterFile.size(), over, overDib, map),
                  code);
        EXPECT_EQ(code, row.code);
        ASSERT_EQ(map.width() > 0, row.mapped);
        if (code != 0) {
            continue;
        }
        ASSERT_EQ(overDib.width, freshDib.width);
        for (int32_t y = 0; y < freshDib.height; ++y) {
            EXPECT_TRUE(std::equal(freshDib.bits + size_t(y) * size_t(freshDib.bytesPerRow),
                                   freshDib.bits + size_t(y) * size_t(freshDib.bytesPerRow) +
                                       size_t(freshDib.width) * 4,
                                   overDib.bits + size_t(y) * size_t(overDib.bytesPerRow)))
                << "row " << y;
        }
        for (int32_t y = 0; row.mapped && y < 5; ++y) {
            for (int32_t x = 0; x < 37; ++x) {
                const bool expected = std::find(row.changed.begin(), row.changed.end(),
                                                std::pair(x, y)) != row.changed.end();
                EXPECT_EQ(map.changed(x, y), expected) << x << "," << y;
            }
        }
    }
}

// A file that shrinks while it is widened over the frame before fails as a fresh load of it does,
// and leaves neither a map nor the half-overwritten picture of the frame before.
TEST(FrameDiff, AFileShrinkingUnderALoadOverTheFrameBeforeFailsAsAFreshLoad) {
    const int32_t width = 9000, height = 5;  // rows of 27,000 bytes: read two runs apart
    Picture after = Picture::Generated(width, height);
    after.pixels[size_t(width) * (height - 1)].red ^= 0x40;  // in the first row read
    const std::vector<uint8_t> beforeFile = BuildBmp(Picture::Generated(width, height), {});
    const std::vector<uint8_t> afterFile = BuildBmp(after, {});
    const TempFile file(afterFile);
    const int fd = ::open(file.path().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    // The first run of rows is still there; the rows after it are gone.
    ASSERT_EQ(::truncate(file.path().c_str(), off_t(afterFile.size() - 2 * 27000)), 0);
    BitmapHandle fresh, over;
    DibSection freshDib, overDib;
    ASSERT_EQ(LoadBMPFromMemory(beforeFile.data(), beforeFile.size(), over, overDib), 0);
    const int code = LoadBMPOpenFile(fd, afterFile.size(), fresh, freshDib);
    ChangeMap map;
    EXPECT_EQ(LoadBMPOpenFileOver(fd, afterFile.size(), over, overDib, map), code);
    ::close(fd);
    EXPECT_EQ(code, -2);
    EXPECT_EQ(map.width(), 0);
    ASSERT_TRUE(over && fresh);
    EXPECT_EQ(over->bitsPerPixel(), fresh->bitsPerPixel());
}

TEST(FrameDiff, PercentText) {
    const struct {
        uint64_t changed, total;
        const char* text;
    } rows[] = {{0, 100, "0.00"}, {1, 1000000, "0.01"}, {1234, 2073600, "0.06"},
                {1, 3, "33.33"},  {2, 3, "66.67"},      {999999, 1000000, "99.99"},
                {5, 5, "100.00"}, {0, 0, "0.00"}};
    for (const auto& row : rows) {
        EXPECT_EQ(ChangedPercentText(row.changed, row.total), row.text) << row.changed;
    }
}

}  // namespace
}  // namespace kelvista::test
