#include "inspect/FrameReport.h"

#include <algorithm>
#include <optional>

#include <QThreadPool>

#include <unistd.h>

#include "BmpLoader.h"
#include "BmpProbe.h"
#include "CaptionFile.h"
#include "RegularFile.h"
#include "ReplayLayout.h"

namespace kelvista::replaycli {

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
    switch (status) {
        case FrameStatus::Present:
            return "present";
        case FrameStatus::NoScreenshot:
            return "no-screenshot";
        case FrameStatus::NoCaption:
            return "no-caption";
        case FrameStatus::PathTooLong:
            return "path-too-long";
        case FrameStatus::BadCaption:
            return "bad-caption";
        case FrameStatus::BadScreenshot:
            return "bad-screenshot";
    }
    return "?";
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

}  // namespace

FrameReport InspectFrame(int32_t session, const FrameEntry& entry, const InspectOptions& options) {
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
    std::optional<BmpProbe> probe;
    if (entry.screenshotListed && MayBeRegularFile(entry.screenshotType)) {
        if (options.screenshot == ScreenshotCheck::Probe) {
            uint64_t size = 0;
            const int fd = OpenRegularFileAt(entry.folder->fd(), screenshotName.c_str(), &size);
            if (fd >= 0) {
                report.screenshotOpens = true;
                probe = ProbeBMPOpenFile(fd, size);
            }
        } else {
            report.screenshotOpens = OpensIn(entry, screenshotName);
        }
    }
    if (entry.captionListed && MayBeRegularFile(entry.captionType)) {
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
    report.decodeTried = true;
    if (probe) {
        report.loaderCode = probe->code;
        report.width = probe->width;
        report.height = probe->height;
        report.sourceBitsPerPixel = probe->sourceBitsPerPixel;
        return report;
    }
    BitmapHandle bitmap;
    DibSection dib;
    report.loaderCode = LoadBMP(*basePath + ".bmp", bitmap, dib);
    if (bitmap) {
        report.width = bitmap->width();
        report.height = bitmap->height();
        // A refused bitmap may never have been converted: its own depth is the file's.
        report.sourceBitsPerPixel = bitmap->sourceBitsPerPixel() > 0 ? bitmap->sourceBitsPerPixel()
                                                                     : bitmap->bitsPerPixel();
    }
    if (report.loaderCode == 0 && options.usePicture) {
        options.usePicture(report, dib);
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

std::vector<FrameItem> FrameItems(const std::vector<SessionScan>& sessions) {
    std::vector<FrameItem> items;
    for (size_t i = 0; i < sessions.size(); ++i) {
        for (const FrameEntry& entry : sessions[i].frames) {
            items.push_back({i, sessions[i].session, &entry});
        }
    }
    return items;
}

}  // namespace kelvista::replaycli
