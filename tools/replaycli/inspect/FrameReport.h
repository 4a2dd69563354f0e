#pragma once

// What the viewer finds for each frame of a scanned session: presence, caption and the loader's
// verdict, judged from each file opened once by name in the open session folder, and the
// parallel, ordered walk over a session's frames that ls, check, export and sheet share.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FrameBitmap.h"
#include "cli/Failure.h"
#include "cli/Progress.h"
#include "inspect/FrameChanges.h"
#include "inspect/ParallelOrdered.h"
#include "inspect/ReplayScan.h"

namespace kelvista::replaycli {

// What the viewer would find for one frame, plus what it silently passes over.
struct FrameReport {
    int32_t session = 0;
    int32_t frame = 0;
    bool screenshotListed = false;
    bool captionListed = false;
    // The base path does not fit the viewer's paths, so the viewer finds no frame here; neither
    // file is then tested. pathLength is the base path's length on disk.
    bool pathTooLong = false;
    size_t pathLength = 0;
    bool screenshotOpens = false;  // as FileExists(base + ".bmp")
    bool captionOpens = false;     // as FileExists(base + ".htm")
    bool decodeTried = false;      // the loader's verdict is known, decoded or probed
    int loaderCode = 0;            // LoadBMP's result, when decodeTried
    int32_t width = 0;             // 0 when the loader could not tell
    int32_t height = 0;
    int32_t sourceBitsPerPixel = 0;
    bool captionRead = false;
    std::string caption;  // raw bytes of the first line
    // The screenshot could not be loaded for want of memory: nothing is known of the file, and
    // the command fails (OutOfMemory) instead of reporting it.
    bool outOfMemory = false;
    // The decoded picture, kept only when InspectOptions::keepPicture asks for it.
    std::shared_ptr<const FrameBitmap> picture;
    DibSection pictureDib;
    // With InspectOptions::changesWrap: what changed from the frame before (StepChanges), none
    // when there is nothing to compare with.
    std::optional<FrameDiff> changes;

    // The viewer's presence test: screenshot and caption file can both be opened.
    bool present() const { return screenshotOpens && captionOpens; }
    // Present and the loader accepts the screenshot.
    bool viewable() const { return present() && decodeTried && loaderCode == 0; }
};

// The failure of a command that ran out of memory: "<command>: out of memory".
Failure OutOfMemory(const char* command);

// The state of a frame in one word, worst first.
enum class FrameStatus { Present, NoScreenshot, NoCaption, PathTooLong, BadCaption, BadScreenshot };

FrameStatus StatusOf(const FrameReport& report);
const char* StatusName(FrameStatus status);
// Why the loader refused the screenshot: "LoadBMP -2, source depth 8 bits".
std::string ScreenshotProblem(const FrameReport& report);

// How the loader's verdict on a screenshot is learnt.
enum class ScreenshotCheck {
    Decode,  // LoadBMP in full: also finds read errors inside the pixel rows
    Probe,   // ProbeBMP: the same verdict from the headers and the file size, pixels unread
};

struct InspectOptions {
    ScreenshotCheck screenshot = ScreenshotCheck::Decode;
    bool readCaption = true;
    // Called with the frame so far and its decoded picture while the picture is alive (only when
    // LoadBMP returned 0; never when probing).
    std::function<void(const FrameReport&, const DibSection&)> usePicture;
    // Hands the decoded picture on in the report (FrameReport::picture).
    bool keepPicture = false;
    // InspectSession compares each frame with the one SHIFT+TAB steps back to under this wrap
    // count (FrameReport::changes). The comparing runs on the pool with the decoding, a batch at a
    // time, each frame loaded over the one before it (StepChanges); the first frame of a batch
    // reads its previous frame again, so about one frame in 64 is decoded twice.
    std::optional<int32_t> changesWrap;
};

// Tests and loads one frame exactly as the viewer does (its files opened by name in the entry's
// open folder). Safe to call from worker threads: it touches only the frame's own files. With
// `over`, a decoded screenshot is loaded over the picture `over` holds, and the picture stays
// there (never in FrameReport::picture).
FrameReport InspectFrame(int32_t session, const FrameEntry& entry, const InspectOptions& options,
                         OverPicture* over = nullptr);

// Consecutive frames inspected by one task.
struct FrameBatch {
    size_t first = 0;
    size_t count = 0;
};

// `frameCount` frames cut into batches: small enough that every thread of the pool gets several,
// at most 64 frames each.
std::vector<FrameBatch> FrameBatches(size_t frameCount);

// Inspects the frames of one session on the thread pool with `options` and hands each report, in
// frame order, to `consume(report)` on the calling thread. Frames go to the pool in batches, so
// that a frame that costs a few system calls does not cost a hand-over between threads as well;
// only a small window of batches is worked on at a time. A `consume` that returns false stops it.
template <typename Consume>
void InspectSession(const SessionScan& scan, const InspectOptions& options, Consume consume) {
    const std::vector<FrameBatch> batches = FrameBatches(scan.frames.size());
    const int32_t session = scan.session;
    ForEachOrdered(
        batches,
        [&scan, session, &options](const FrameBatch& batch) {
            std::vector<FrameReport> reports;
            reports.reserve(batch.count);
            std::optional<StepChanges> steps;
            if (options.changesWrap) {
                steps.emplace(session, *options.changesWrap);
            }
            for (size_t i = batch.first; i < batch.first + batch.count; ++i) {
                const FrameEntry& entry = scan.frames[i];
                FrameReport report = InspectFrame(
                    session, entry, options, steps ? &steps->overPrevious(entry.frame) : nullptr);
                if (steps) {
                    report.changes =
                        steps->loaded(report.frame, report.viewable(), report.width, report.height);
                }
                reports.push_back(std::move(report));
            }
            return reports;
        },
        [&consume](size_t, std::vector<FrameReport>&& reports) {
            for (FrameReport& report : reports) {
                if (!ConsumeAndGoOn(consume, std::move(report))) {
                    return false;
                }
            }
            return true;
        });
}

}  // namespace kelvista::replaycli
