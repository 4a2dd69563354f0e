#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <utility>
#include <vector>

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace kelvista::replaycli {

// Runs `work(item)` for every item on the global thread pool and hands the results to
// `consume(index, result)` on the calling thread, strictly in item order. At most a small window
// of results exists at any time, so memory stays bounded however many items there are and
// however large each one is while it is being worked on.
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
        consume(index, std::move(result));
    }
}

}  // namespace kelvista::replaycli
