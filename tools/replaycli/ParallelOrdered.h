#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
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

// Runs `work(item)` for every item on the global thread pool and hands the results to
// `consume(index, result)` on the calling thread, strictly in item order. At most a small window
// of results exists at any time, so memory stays bounded however many items there are and
// however large each one is while it is being worked on. A `consume` that returns false stops
// the run: no further item is started, and the ones under way are waited for.
template <typename Item, typename Work, typename Consume>
void ForEachOrdered(const std::vector<Item>& items, Work work, Consume consume) {
    using Result = decltype(work(items.front()));
    QThreadPool* pool = QThreadPool::globalInstance();
    const size_t window = static_cast<size_t>(std::max(1, pool->maxThreadCount())) * 2 + 2;
    std::deque<QFuture<Result>> pending;
    size_t next = 0;
    for (size_t index = 0; index < items.size(); ++index) {
        while (next < items.size() && pending.size() < window) {
            const Item* item = &items[next++];
            pending.push_back(QtConcurrent::run(pool, [work, item] { return work(*item); }));
        }
        Result result = pending.front().takeResult();
        pending.pop_front();
        if (!ConsumeAndGoOn(consume, index, std::move(result))) {
            for (QFuture<Result>& running : pending) {
                running.waitForFinished();
            }
            return;
        }
    }
}

}  // namespace kelvista::replaycli
