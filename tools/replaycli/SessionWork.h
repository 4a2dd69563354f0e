#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CommandStreams.h"
#include "FrameProbe.h"
#include "ParallelOrdered.h"
#include "Progress.h"
#include "ReplayScan.h"

namespace kelvista::replaycli {

// One frame to work on, and the session (index into the scans) it belongs to.
struct FrameItem {
    size_t sessionIndex = 0;
    int32_t session = 0;
    const FrameEntry* entry = nullptr;
};

std::vector<FrameItem> FrameItems(const std::vector<SessionScan>& sessions);

// Inspects every item on the thread pool with `options` and hands each report, in item order, to
// `consume(item, report, progress)` on the calling thread, advancing a progress bar labelled
// `label` (consumers that print clear it first).
template <typename Consume>
void InspectInOrder(const std::vector<FrameItem>& items, const InspectOptions& options,
                    const std::string& label, Consume consume) {
    Progress progress(label, items.size());
    ForEachOrdered(
        items,
        [&options](const FrameItem& item) {
            return InspectFrame(item.session, *item.entry, options);
        },
        [&](size_t index, FrameReport&& report) {
            consume(items[index], std::move(report), progress);
            progress.advance();
        });
    progress.finish();
}

// The session named on the command line: its scan, or a one-line complaint with the exit code:
// 2 when the text is not a number, 1 when the tree or the session folder is missing or unreadable.
std::optional<SessionScan> ScanNamedSession(const QString& text, const Command& command,
                                            CommandStreams io, int& exitCode);

// The replay tree, or a complaint with exit code 1 when the root is missing or unreadable.
std::optional<ReplayTree> ScanTreeOrComplain(const Command& command, CommandStreams io,
                                             int& exitCode);

// The wrap-around count the viewer starts with.
int32_t StoredMaxFrames();

// Caption bytes as one line of UTF-8 text: control characters (tabs among them) become spaces,
// so that every frame stays on one line of a listing or a table.
std::string OneLineCaption(const std::string& bytes);

}  // namespace kelvista::replaycli
