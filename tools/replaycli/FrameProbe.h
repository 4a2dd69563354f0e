#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "FrameBitmap.h"
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

}  // namespace kelvista::replaycli
