#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "FrameBitmap.h"
#include "PixelBlock.h"

namespace kelvista {
namespace {

constexpr size_t kFrameBytes = 640 * 480 * 4;

class PixelBlockTest : public ::testing::Test {
protected:
    void SetUp() override { ReleaseSparePixelBlock(); }
    void TearDown() override { ReleaseSparePixelBlock(); }
};

TEST_F(PixelBlockTest, ReleasedBlockIsHandedOutAgainForTheSameSizeOnly) {
    void* first = AllocatePixelBlock(kFrameBytes);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % 4096, 0u);
    ReleasePixelBlock(first, kFrameBytes);
    EXPECT_EQ(SparePixelBlockBytes(), kFrameBytes);

    void* again = AllocatePixelBlock(kFrameBytes);
    EXPECT_EQ(again, first);
    EXPECT_EQ(SparePixelBlockBytes(), 0u);

    // A request of another size drops the spare rather than keeping two blocks about.
    ReleasePixelBlock(again, kFrameBytes);
    void* other = AllocatePixelBlock(kFrameBytes / 2);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(SparePixelBlockBytes(), 0u);
    ReleasePixelBlock(other, kFrameBytes / 2);
    EXPECT_EQ(SparePixelBlockBytes(), kFrameBytes / 2);
    ReleaseSparePixelBlock();
    EXPECT_EQ(SparePixelBlockBytes(), 0u);
    EXPECT_EQ(AllocatePixelBlock(0), nullptr);
}

TEST_F(PixelBlockTest, OnlyOneSpareIsKeptHoweverManyBlocksAreReleased) {
    std::vector<void*> blocks;
    for (int i = 0; i < 4; ++i) {
        blocks.push_back(AllocatePixelBlock(kFrameBytes));
        ASSERT_NE(blocks.back(), nullptr);
    }
    for (void* block : blocks) {
        ReleasePixelBlock(block, kFrameBytes);
    }
    // The last one released is the spare; the others went back to the system.
    EXPECT_EQ(AllocatePixelBlock(kFrameBytes), blocks.back());
    EXPECT_EQ(SparePixelBlockBytes(), 0u);
    ReleasePixelBlock(blocks.back(), kFrameBytes);
}

TEST_F(PixelBlockTest, ZeroFilledBitmapIsZeroEvenInAReusedBlock) {
    {
        BitmapHandle dirty = FrameBitmap::Create32(640, 480);
        ASSERT_NE(dirty, nullptr);
        std::memset(dirty->bits(), 0xAB, kFrameBytes);
    }
    BitmapHandle bitmap = FrameBitmap::Create32(640, 480);
    ASSERT_NE(bitmap, nullptr);
    std::vector<uint8_t> zeros(kFrameBytes, 0);
    EXPECT_EQ(std::memcmp(bitmap->bits(), zeros.data(), kFrameBytes), 0);
}

TEST_F(PixelBlockTest, ConcurrentLoadsGetDistinctBlocks) {
    // The tool decodes on several threads: no block may be handed to two of them at once.
    std::vector<std::thread> threads;
    std::vector<int> faults(4, 0);
    for (size_t t = 0; t < faults.size(); ++t) {
        threads.emplace_back([t, &faults] {
            for (int i = 0; i < 200; ++i) {
                auto* block = static_cast<uint8_t*>(AllocatePixelBlock(kFrameBytes));
                std::memset(block, static_cast<int>(t + 1), 4096);
                std::this_thread::yield();
                faults[t] += block[0] != t + 1 || block[4095] != t + 1;
                ReleasePixelBlock(block, kFrameBytes);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(faults, std::vector<int>(faults.size(), 0));
}

}  // namespace
}  // namespace kelvista
