#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "FrameBitmap.h"
#include "ParallelOrdered.h"
#include "Progress.h"
#include "ReplayScan.h"

namespace kelvista::replaycli {

// What the viewer would find for one frame, plus what it silently passes over.
struct FrameReport {
    int32_t session = 0;
    int32_t frame = 0;
    bool screenshotListed = false;
    bool captionListed = false;
    bool screenshotOpens = false;  // FileExists(base + ".bmp")
    bool captionOpens = false;     // FileExists(base + ".htm")
    bool decodeTried = false;
    int loaderCode = 0;  // LoadBMP's result, when decodeTried
    int32_t width = 0;   // 0 when the loader could not tell
    int32_t height = 0;
    int32_t sourceBitsPerPixel = 0;
    bool captionRead = false;
    std::string caption;  // raw bytes of the first line

    // The viewer's presence test: screenshot and caption file can both be opened.
    bool present() const { return screenshotOpens && captionOpens; }
    // Present and the loader accepts the screenshot.
    bool viewable() const { return present() && decodeTried && loaderCode == 0; }
};

// The state of a frame in one word, worst first.
enum class FrameStatus { Present, NoScreenshot, NoCaption, BadCaption, BadScreenshot };

FrameStatus StatusOf(const FrameReport& report);
const char* StatusName(FrameStatus status);
// Why the loader refused the screenshot: "LoadBMP -2, source depth 8 bits".
std::string ScreenshotProblem(const FrameReport& report);

struct InspectOptions {
    bool decode = true;
    bool readCaption = true;
    // Called with the frame so far and its decoded picture while the picture is alive (only when
    // LoadBMP returned 0).
    std::function<void(const FrameReport&, const DibSection&)> usePicture;
};

// Tests and loads one frame exactly as the viewer does. Safe to call from worker threads: it
// touches only the frame's own files.
FrameReport InspectFrame(int32_t session, const FrameEntry& entry, const InspectOptions& options);

// One frame to work on, and the session (index into the scans) it belongs to.
struct FrameItem {
    size_t sessionIndex = 0;
    int32_t session = 0;
    const FrameEntry* entry = nullptr;
};

// Every frame of the scans, in session and frame order.
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

}  // namespace kelvista::replaycli
