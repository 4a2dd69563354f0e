#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "cli/Progress.h"
#include "inspect/FrameReport.h"
#include "inspect/ParallelOrdered.h"

namespace kelvista::replaycli {
namespace {

// Results exist only between the end of their work and their turn to be consumed.
struct CountedResult {
    CountedResult(int number, std::atomic<int>& counter) : value(number), alive(&counter) {
        ++counter;
    }
    CountedResult(const CountedResult&) = delete;
    ~CountedResult() { --*alive; }
    int value;
    std::atomic<int>* alive;
};

TEST(ForEachOrdered, ConsumesInItemOrderWhateverOrderTheWorkFinishesIn) {
    std::vector<int> items(64);
    for (int i = 0; i < 64; ++i) {
        items[i] = i;
    }
    std::atomic<int> alive{0};
    int mostAlive = 0;
    std::vector<int> consumed;
    ForEachOrdered(
        items,
        [&alive](int item) {
            // Early items take longest, so later ones finish first.
            std::this_thread::sleep_for(std::chrono::microseconds((64 - item) * 200));
            return std::make_unique<CountedResult>(item, alive);
        },
        [&](size_t index, std::unique_ptr<CountedResult>&& result) {
            EXPECT_EQ(result->value, static_cast<int>(index));
            consumed.push_back(result->value);
            mostAlive = std::max(mostAlive, alive.load());
        });
    EXPECT_EQ(consumed, items);
    EXPECT_EQ(alive.load(), 0);
    // A bounded window of results, not one per item.
    EXPECT_LE(mostAlive, QThreadPool::globalInstance()->maxThreadCount() * 2 + 2);
}

TEST(ForEachOrdered, NoItemsNoCalls) {
    int calls = 0;
    ForEachOrdered(
        std::vector<int>{}, [&calls](int) { return ++calls; }, [&calls](size_t, int) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(ForEachOrdered, StopsSoonOnceAskedAndNoWorkOutlivesTheCall) {
    std::vector<int> items(500);
    std::atomic<int> started{0};
    std::atomic<int> running{0};
    std::atomic<bool> stop{false};
    size_t consumed = 0;
    const bool finished = ForEachOrdered(
        items,
        [&](int) {
            ++started;
            ++running;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            --running;
            return 1;
        },
        [&](size_t index, int) {
            ++consumed;
            stop = index == 4;
        },
        [&stop] { return stop.load(); });
    EXPECT_FALSE(finished);
    EXPECT_EQ(consumed, 5u);
    EXPECT_EQ(running.load(), 0);
    const int startedAtReturn = started.load();
    EXPECT_LT(startedAtReturn, 5 + QThreadPool::globalInstance()->maxThreadCount() * 2 + 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(started.load(), startedAtReturn);

    // A stop condition that never holds lets every item through.
    consumed = 0;
    EXPECT_TRUE(ForEachOrdered(
        items, [](int) { return 1; }, [&](size_t, int) { ++consumed; }, [] { return false; }));
    EXPECT_EQ(consumed, items.size());
}

TEST(ProgressBar, FillsInProportionAndFitsTheWidth) {
    EXPECT_EQ(ProgressBarText("check", 5, 10, 40), "check [#############.............] 5/10");
    EXPECT_EQ(ProgressBarText("ls", 0, 4, 20), "ls [..........] 0/4");
    EXPECT_EQ(ProgressBarText("ls", 4, 4, 20), "ls [##########] 4/4");
    EXPECT_EQ(ProgressBarText("export", 3, 7, 10), "export 3/7");  // too narrow for a bar
}

TEST(FrameBatches, CoverEveryFrameOnceInOrderInBoundedBatches) {
    for (const size_t frames : {size_t{0}, size_t{1}, size_t{7}, size_t{100}, size_t{100001}}) {
        size_t next = 0;
        const std::vector<FrameBatch> batches = FrameBatches(frames);
        for (const FrameBatch& batch : batches) {
            EXPECT_EQ(batch.first, next);
            EXPECT_GE(batch.count, 1u);
            EXPECT_LE(batch.count, 64u);
            next += batch.count;
        }
        EXPECT_EQ(next, frames);
        if (frames >= 7) {
            EXPECT_GE(batches.size(), 2u) << frames;  // more than one thread gets work
        }
    }
}

}  // namespace
}  // namespace kelvista::replaycli
