#include "inspect/FrameReport.h"

#include <algorithm>
#include <array>
#include <optional>

#include <QThreadPool>

#include <unistd.h>

#include "BmpLoader.h"
#include "BmpProbe.h"
#include "CaptionFile.h"
#include "RegularFile.h"
#include "ReplayFrame.h"
#include "ReplayLayout.h"

namespace kelvista::replaycli {

Failure OutOfMemory(const char* command) {
    return {kExitFailure, std::string(command) + ": out of memory"};
}

FrameStatus StatusOf(const FrameReport& report) {
    if (!report.screenshotListed) {
        return FrameStatus::NoScreenshot;
    }
    if (!report.captionListed) {
        return FrameStatus::NoCaption;
    }
    if (report.pathTooLong) {
        return FrameStatus::PathTooLong;
    }
    if (!report.captionOpens) {
        return FrameStatus::BadCaption;
    }
    if (!report.screenshotOpens || (report.decodeTried && report.loaderCode != 0)) {
        return FrameStatus::BadScreenshot;
    }
    return FrameStatus::Present;
}

const char* StatusName(FrameStatus status) {
    // In the order of FrameStatus.
    static constexpr auto kNames =
        std::to_array<const char*>({"present", "no-screenshot", "no-caption", "path-too-long",
                                    "bad-caption", "bad-screenshot"});
    static_assert(kNames.size() == static_cast<size_t>(FrameStatus::BadScreenshot) + 1);
    const auto index = static_cast<size_t>(status);
    return index < kNames.size() ? kNames[index] : "?";
}

std::string ScreenshotProblem(const FrameReport& report) {
    std::string text = "LoadBMP " + std::to_string(report.decodeTried ? report.loaderCode : -1);
    if (!report.screenshotOpens) {
        return text + ", cannot be opened";
    }
    if (report.sourceBitsPerPixel > 0) {
        return text + ", source depth " + std::to_string(report.sourceBitsPerPixel) + " bits";
    }
    return text + ", not readable as a bitmap";
}

namespace {

// A listed name worth opening: what the listing calls a folder, a pipe, a socket or a device is no
// regular file, and opening it could only say so.
bool MayBeRegularFile(ListedType type) {
    return type == ListedType::Regular || type == ListedType::Link || type == ListedType::Unknown;
}

// Whether `name` in the entry's folder opens as FileExists opens the full path.
bool OpensIn(const FrameEntry& entry, const std::string& name) {
    const int fd = OpenRegularFileAt(entry.folder->fd(), name.c_str());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

void TakeLoaderVerdict(FrameReport& report, int loaderCode, int32_t width, int32_t height,
                       int32_t sourceBitsPerPixel) {
    report.decodeTried = true;
    report.loaderCode = loaderCode;
    report.width = width;
    report.height = height;
    report.sourceBitsPerPixel = sourceBitsPerPixel;
}

// The verdict of LoadBMP, with what it found in the file: `bitmap` is what it loaded, or the
// unusable bitmap it left of a file it refused (none when it could not read one).
void TakeLoadVerdict(FrameReport& report, int loaderCode, const FrameBitmap* bitmap) {
    if (bitmap == nullptr) {
        TakeLoaderVerdict(report, loaderCode, 0, 0, 0);
        return;
    }
    // A refused bitmap may never have been converted: its own depth is the file's.
    TakeLoaderVerdict(
        report, loaderCode, bitmap->width(), bitmap->height(),
        bitmap->sourceBitsPerPixel() > 0 ? bitmap->sourceBitsPerPixel() : bitmap->bitsPerPixel());
}

// A picture loaded over the frame before stays where it was loaded, for the frame after.
void UsePicture(FrameReport& report, BitmapHandle& bitmap, const DibSection& dib,
                const InspectOptions& options, bool loadedOver) {
    if (options.usePicture) {
        options.usePicture(report, dib);
    }
    if (options.keepPicture && !loadedOver) {
        report.picture = std::move(bitmap);
        report.pictureDib = dib;
    }
}

// Reads a present frame whole, as the viewer does: its caption, then its picture from the
// screenshot opened already.
void ReadWhole(FrameReport& report, const FrameEntry& entry, const std::string& name,
               int screenshotFd, uint64_t size, const InspectOptions& options, OverPicture* over) {
    BitmapHandle ownBitmap;
    BitmapHandle& bitmap = over != nullptr ? over->picture : ownBitmap;
    DibSection dib;
    FrameContent content = ReadFrameAt(entry.folder->fd(), name, screenshotFd, size, bitmap, dib,
                                       entry.captionType == ListedType::Regular,
                                       over != nullptr ? &over->changes : nullptr);
    report.captionRead = content.outcome != FrameContent::Outcome::CaptionUnreadable;
    report.captionOpens = report.captionRead;
    report.caption = std::move(content.caption);
    if (!report.captionRead) {
        return;  // the viewer stops at the caption, and so does the picture's verdict
    }
    TakeLoadVerdict(report, content.loaderCode, bitmap ? bitmap.get() : content.refused.get());
    report.outOfMemory = report.loaderCode != 0 && LastLoadRanOutOfMemory();
    if (report.loaderCode == 0) {
        UsePicture(report, bitmap, dib, options, over != nullptr);
    }
}

}  // namespace

FrameReport InspectFrame(int32_t session, const FrameEntry& entry, const InspectOptions& options,
                         OverPicture* over) {
    FrameReport report;
    report.session = session;
    report.frame = entry.frame;
    report.screenshotListed = entry.screenshotListed;
    report.captionListed = entry.captionListed;
    const std::optional<std::string> basePath = BasePathOf(entry, report.pathLength);
    if (!basePath) {
        report.pathTooLong = true;
        return report;
    }
    // The files are opened by name in the session's open folder, each once: the opening is the
    // viewer's presence test (a regular file, or a link to one, that opens for reading), and what
    // it opened is then probed or read.
    const std::string name = FrameName(entry.frame);
    const std::string screenshotName = name + ".bmp";
    const std::string captionName = name + ".htm";
    uint64_t size = 0;
    int screenshotFd = -1;
    if (entry.screenshotListed && MayBeRegularFile(entry.screenshotType)) {
        screenshotFd = OpenRegularFileAt(entry.folder->fd(), screenshotName.c_str(), &size);
        report.screenshotOpens = screenshotFd >= 0;
    }
    const bool captionMayOpen = entry.captionListed && MayBeRegularFile(entry.captionType);
    if (options.screenshot == ScreenshotCheck::Decode && options.readCaption &&
        report.screenshotOpens && captionMayOpen) {
        ReadWhole(report, entry, name, screenshotFd, size, options, over);
        return report;
    }
    if (captionMayOpen) {
        if (options.readCaption) {
            report.captionRead =
                ReadCaptionFileAt(entry.folder->fd(), captionName.c_str(), report.caption,
                                  entry.captionType == ListedType::Regular);
            report.captionOpens = report.captionRead;
        } else {
            report.captionOpens = OpensIn(entry, captionName);
        }
    }
    if (!report.screenshotOpens) {
        return report;
    }
    if (options.screenshot == ScreenshotCheck::Probe) {
        const BmpProbe probe = ProbeBMPOpenFile(screenshotFd, size);
        TakeLoaderVerdict(report, probe.code, probe.width, probe.height, probe.sourceBitsPerPixel);
        return report;
    }
    BitmapHandle ownBitmap;
    BitmapHandle& bitmap = over != nullptr ? over->picture : ownBitmap;
    DibSection dib;
    const int code = over != nullptr
                         ? LoadBMPOpenFileOver(screenshotFd, size, bitmap, dib, over->changes)
                         : LoadBMPOpenFile(screenshotFd, size, bitmap, dib);
    TakeLoadVerdict(report, code, bitmap.get());
    report.outOfMemory = code != 0 && LastLoadRanOutOfMemory();
    if (code == 0) {
        UsePicture(report, bitmap, dib, options, over != nullptr);
    }
    return report;
}

std::vector<FrameBatch> FrameBatches(size_t frameCount) {
    const size_t threads =
        static_cast<size_t>(std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
    const size_t size = std::clamp<size_t>(frameCount / (threads * 4), 1, 64);
    std::vector<FrameBatch> batches;
    batches.reserve((frameCount + size - 1) / size);
    for (size_t first = 0; first < frameCount; first += size) {
        batches.push_back({first, std::min(size, frameCount - first)});
    }
    return batches;
}

}  // namespace kelvista::replaycli
