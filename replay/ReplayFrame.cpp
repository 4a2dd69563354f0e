#include "ReplayFrame.h"

#include <utility>

#include "BmpLoader.h"
#include "CaptionFile.h"
#include "ReplayLayout.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace kelvista {

std::optional<std::string> FindFrame(int32_t session, int32_t frame) {
    std::optional<std::string> basePath = FrameBasePath(session, frame);
    if (!basePath || !FrameIsPresent(*basePath)) {
        return std::nullopt;
    }
    return basePath;
}

namespace {

// The loader's verdict on a read caption; `load` loads the screenshot into `bitmap` and `dib`.
template <typename Load>
FrameContent LoadAfterCaption(FrameContent content, BitmapHandle& bitmap, DibSection& dib,
                              Load load) {
    dib = DibSection{};
    content.loaderCode = load();
    if (content.loaderCode != 0) {
        content.refused = std::move(bitmap);
        dib = DibSection{};
        content.outcome = FrameContent::Outcome::ScreenshotRefused;
    }
    return content;
}

}  // namespace

FrameContent ReadFrame(const std::string& basePath, BitmapHandle& bitmap, DibSection& dib) {
    FrameContent content;
    if (!ReadCaptionFile(basePath + ".htm", content.caption)) {
        content.outcome = FrameContent::Outcome::CaptionUnreadable;
        return content;
    }
    return LoadAfterCaption(std::move(content), bitmap, dib,
                            [&] { return LoadBMP(basePath + ".bmp", bitmap, dib); });
}

#ifndef _WIN32
FrameContent ReadFrameAt(int folderFd, const std::string& name, int screenshotFd,
                         uint64_t screenshotSize, BitmapHandle& bitmap, DibSection& dib,
                         bool captionListedRegular, ChangeMap* changes) {
    FrameContent content;
    const std::string captionName = name + ".htm";
    if (!ReadCaptionFileAt(folderFd, captionName.c_str(), content.caption, captionListedRegular)) {
        ::close(screenshotFd);
        content.outcome = FrameContent::Outcome::CaptionUnreadable;
        return content;
    }
    return LoadAfterCaption(std::move(content), bitmap, dib, [&] {
        return changes != nullptr
                   ? LoadBMPOpenFileOver(screenshotFd, screenshotSize, bitmap, dib, *changes)
                   : LoadBMPOpenFile(screenshotFd, screenshotSize, bitmap, dib);
    });
}
#endif

}  // namespace kelvista
