#include "ReplayFrame.h"

#include "BmpLoader.h"
#include "CaptionFile.h"
#include "ReplayLayout.h"

namespace kelvista {

std::optional<std::string> FindFrame(int32_t session, int32_t frame) {
    std::optional<std::string> basePath = FrameBasePath(session, frame);
    if (!basePath || !FrameIsPresent(*basePath)) {
        return std::nullopt;
    }
    return basePath;
}

FrameContent ReadFrame(const std::string& basePath, BitmapHandle& bitmap, DibSection& dib) {
    FrameContent content;
    if (!ReadCaptionFile(basePath + ".htm", content.caption)) {
        content.outcome = FrameContent::Outcome::CaptionUnreadable;
        return content;
    }
    dib = DibSection{};
    content.loaderCode = LoadBMP(basePath + ".bmp", bitmap, dib);
    if (content.loaderCode != 0) {
        // The loader may leave an unusable bitmap behind; nothing uses it.
        bitmap.reset();
        dib = DibSection{};
        content.outcome = FrameContent::Outcome::ScreenshotRefused;
    }
    return content;
}

}  // namespace kelvista
