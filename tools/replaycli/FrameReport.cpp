#include "FrameReport.h"

#include <algorithm>
#include <optional>

#include <QThreadPool>

#include "BmpLoader.h"
#include "BmpProbe.h"
#include "CaptionFile.h"
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

FrameReport InspectFrame(int32_t session, const FrameEntry& entry, const InspectOptions& options) {
    FrameReport report;
    report.session = session;
    report.frame = entry.frame;
    report.screenshotListed = entry.screenshotListed;
    report.captionListed = entry.captionListed;
    if (!entry.basePath) {
        report.pathTooLong = true;
        report.pathLength = entry.pathLength;
        return report;
    }
    const std::string screenshotPath = *entry.basePath + ".bmp";
    const std::string captionPath = *entry.basePath + ".htm";
    // The probe opens the file as FileExists does (regular files only, without blocking): when it
    // read the headers, the file opens, and only a refusal needs the test of its own.
    std::optional<BmpProbe> probe;
    if (options.screenshot == ScreenshotCheck::Probe && entry.screenshotListed) {
        probe = ProbeBMP(screenshotPath);
    }
    report.screenshotOpens =
        entry.screenshotListed && ((probe && probe->code != -1) || FileExists(screenshotPath));
    if (options.readCaption && entry.captionListed) {
        // Opened as FileExists opens it: once is enough for the test and the line.
        report.captionRead = ReadCaptionFile(captionPath, report.caption);
        report.captionOpens = report.captionRead;
    } else {
        report.captionOpens = entry.captionListed && FileExists(captionPath);
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
    report.loaderCode = LoadBMP(screenshotPath, bitmap, dib);
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
