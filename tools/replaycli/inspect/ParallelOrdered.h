#pragma once

// Work on the thread pool, results consumed in order on the calling thread, with bounded memory.

#include <algorithm>
#include <cstddef>
#include <deque>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace kelvista::replaycli {

// Calls `consume(arguments...)`: false when it returns false, true when it returns true or
// nothing. A consumer stops a run by returning false.
template <typename Consume, typename... Arguments>
bool ConsumeAndGoOn(Consume& consume, Arguments&&... arguments) {
    if constexpr (std::is_void_v<std::invoke_result_t<Consume&, Arguments...>>) {
        consume(std::forward<Arguments>(arguments)...);
        return true;
    } else {
        return static_cast<bool>(consume(std::forward<Arguments>(arguments)...));
    }
}

// A stop condition that never holds.
struct NeverStop {
    bool operator()() const { return false; }
};

// Runs `work(item)` for every item on the global thread pool and hands the results to
// `consume(index, result)` on the calling thread, strictly in item order. At most a small window
// of results exists at any time, so memory stays bounded however many items there are and
// however large each one is while it is being worked on. A `consume` that returns false stops the
// run as `stop()` does.
//
// `stop()` is asked before each item's work starts and after each result was consumed (from any
// thread): once it holds, work not yet started is skipped, nothing more is consumed, and the call
// returns false as soon as the work already running has finished. No work runs after the return.
template <typename Item, typename Work, typename Consume, typename Stop = NeverStop>
bool ForEachOrdered(const std::vector<Item>& items, Work work, Consume consume,
                    Stop stop = Stop()) {
    using Result = decltype(work(items.front()));
    QThreadPool* pool = QThreadPool::globalInstance();
    const size_t window = static_cast<size_t>(std::max(1, pool->maxThreadCount())) * 2 + 2;
    std::deque<QFuture<std::optional<Result>>> pending;
    const auto finishPending = [&pending] {
        for (QFuture<std::optional<Result>>& future : pending) {
            future.waitForFinished();
        }
    };
    size_t next = 0;
    for (size_t index = 0; index < items.size(); ++index) {
        while (next < items.size() && pending.size() < window) {
            const Item* item = &items[next++];
            pending.push_back(
                QtConcurrent::run(pool, [work, item, stop]() -> std::optional<Result> {
                    if (stop()) {
                        return std::nullopt;  // skipped: never consumed
                    }
                    return work(*item);
                }));
        }
        std::optional<Result> result = pending.front().takeResult();
        pending.pop_front();
        if (!result) {
            finishPending();
            return false;
        }
        if (!ConsumeAndGoOn(consume, index, std::move(*result)) ||
            (index + 1 < items.size() && stop())) {
            finishPending();
            return false;
        }
    }
    return true;
}

}  // namespace kelvista::replaycli
