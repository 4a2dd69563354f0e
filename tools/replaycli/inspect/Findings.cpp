#include "inspect/Findings.h"

#include <algorithm>
#include <array>

#include "FrameNumbers.h"
#include "ReplayLayout.h"
#include "cli/PathText.h"

namespace kelvista::replaycli {

namespace {

bool OutsideWrap(int32_t frame, int32_t maxFrames) {
    return maxFrames > 0 && (frame < 0 || frame >= maxFrames);
}

Finding FrameFinding(FindingKind kind, const FrameReport& report, std::string message) {
    Finding finding;
    finding.kind = kind;
    finding.session = report.session;
    finding.frame = report.frame;
    finding.message = std::move(message);
    return finding;
}

// Whether a step from `from` tries `to`: `from` must be a frame TAB and SHIFT+TAB land on (inside
// the wrap; the frames outside it only F2 reaches) and the step from it must lead to `to`.
bool StepTries(int32_t from, int32_t to, int32_t maxFrames,
               int32_t (*step)(int32_t frame, int32_t maxFrames)) {
    return !OutsideWrap(from, maxFrames) && step(from, maxFrames) == to;
}

// Where TAB and SHIFT+TAB stop at a gap, naming only frames they really stop at with the
// wrap-around count `maxFrames`.
std::string GapStops(int32_t session, int32_t before, int32_t after, int32_t maxFrames) {
    const bool tabStops = StepTries(before, before + 1, maxFrames, NextFrameNumber);
    const bool shiftTabStops = StepTries(after, after - 1, maxFrames, PrevFrameNumber);
    if (tabStops && shiftTabStops) {
        return "; TAB stops at " + PositionText(session, before) + ", SHIFT+TAB at " +
               PositionText(session, after);
    }
    if (tabStops) {
        return "; TAB stops at " + PositionText(session, before);
    }
    if (shiftTabStops) {
        return "; SHIFT+TAB stops at " + PositionText(session, after);
    }
    // Neither end is a stop: the gap lies wholly outside the wrap, or covers all of it.
    const std::string wrap = "0.." + std::to_string(maxFrames - 1);
    if (after - 1 < 0 || before + 1 >= maxFrames) {
        return "; outside " + wrap + ", TAB and SHIFT+TAB never step there";
    }
    return "; TAB and SHIFT+TAB find no frame in " + wrap;
}

Finding GapFinding(int32_t session, int32_t before, int32_t after, int32_t maxFrames) {
    Finding finding;
    finding.kind = FindingKind::Gap;
    finding.session = session;
    finding.frame = before + 1;
    finding.lastFrame = after - 1;
    finding.count = int64_t{after} - before - 1;
    finding.message = "frames " + PositionText(session, before + 1) + " to " +
                      PositionText(session, after - 1) + " are missing (" +
                      std::to_string(finding.count) + ")" +
                      GapStops(session, before, after, maxFrames);
    return finding;
}

Finding BeyondWrapFinding(int32_t session, int32_t first, int32_t last, int32_t maxFrames) {
    Finding finding;
    finding.kind = FindingKind::BeyondWrap;
    finding.session = session;
    finding.frame = first;
    finding.lastFrame = last;
    finding.count = int64_t{last} - first + 1;
    const std::string range = first == last ? "frame " + PositionText(session, first)
                                            : "frames " + PositionText(session, first) + " to " +
                                                  PositionText(session, last);
    finding.message = range + " outside 0.." + std::to_string(maxFrames - 1) + " (max frames " +
                      std::to_string(maxFrames) + "): TAB and SHIFT+TAB never reach " +
                      (first == last ? "it" : "them") + ", only F2";
    return finding;
}

Finding NameFinding(FindingKind kind, std::string path, std::string message) {
    Finding finding;
    finding.kind = kind;
    finding.path = std::move(path);
    finding.message = std::move(message);
    return finding;
}

}  // namespace

const char* FindingKindName(FindingKind kind) {
    // In the order of FindingKind.
    static constexpr auto kNames = std::to_array<const char*>(
        {"bad-name", "unreadable-folder", "gap", "beyond-wrap", "no-caption", "no-screenshot",
         "path-too-long", "bad-caption", "bad-screenshot"});
    static_assert(kNames.size() == kFindingKindCount);
    const auto index = static_cast<size_t>(kind);
    return index < kNames.size() ? kNames[index] : "?";
}

std::string FindingLine(const Finding& finding) {
    const std::string where = finding.session && finding.frame
                                  ? PositionText(*finding.session, *finding.frame)
                                  : EscapedName(finding.path);
    return where + " " + FindingKindName(finding.kind) + ": " + finding.message;
}

QJsonObject FindingJson(const Finding& finding) {
    QJsonObject json;
    json.insert("kind", FindingKindName(finding.kind));
    if (finding.session) {
        json.insert("session", *finding.session);
    }
    if (finding.frame) {
        json.insert("frame", *finding.frame);
    }
    if (finding.lastFrame) {
        json.insert("last", *finding.lastFrame);
        json.insert("count", static_cast<qint64>(finding.count));
    }
    if (!finding.path.empty()) {
        json.insert("path", QString::fromStdString(EscapedName(finding.path)));
    }
    if (finding.loaderCode) {
        json.insert("code", *finding.loaderCode);
    }
    if (finding.sourceBitsPerPixel) {
        json.insert("depth", *finding.sourceBitsPerPixel);
    }
    json.insert("message", QString::fromStdString(finding.message));
    return json;
}

std::vector<Finding> TreeFindings(const ReplayTree& tree) {
    std::vector<Finding> findings;
    for (const NameProblem& name : tree.badNames) {
        findings.push_back(NameFinding(FindingKind::BadName, name.path, name.reason));
    }
    return findings;
}

std::vector<Finding> FrameFindings(const FrameReport& report) {
    std::vector<Finding> findings;
    if (report.screenshotListed && !report.captionListed) {
        findings.push_back(
            FrameFinding(FindingKind::NoCaption, report,
                         "screenshot without caption file; the viewer cannot step onto it"));
    }
    if (report.captionListed && !report.screenshotListed) {
        findings.push_back(
            FrameFinding(FindingKind::NoScreenshot, report, "caption file without screenshot"));
    }
    if (report.pathTooLong) {
        // Neither file was tested: the viewer never gets as far as opening them.
        findings.push_back(
            FrameFinding(FindingKind::PathTooLong, report,
                         "its path has " + std::to_string(report.pathLength) +
                             " bytes, more than the " + std::to_string(kPathCapacity - 1) +
                             " the viewer's paths hold; the viewer cannot step onto it"));
        return findings;
    }
    if (report.captionListed && !report.captionOpens) {
        findings.push_back(
            FrameFinding(FindingKind::BadCaption, report,
                         "caption file cannot be opened; the viewer cannot step onto it"));
    }
    if (report.screenshotListed && (!report.screenshotOpens || report.loaderCode != 0)) {
        Finding finding = FrameFinding(FindingKind::BadScreenshot, report,
                                       ScreenshotProblem(report) + "; the viewer refuses it");
        finding.loaderCode = report.decodeTried ? report.loaderCode : -1;
        if (report.sourceBitsPerPixel > 0) {
            finding.sourceBitsPerPixel = report.sourceBitsPerPixel;
        }
        findings.push_back(std::move(finding));
    }
    return findings;
}

std::vector<Finding> SessionFindings(const SessionScan& scan,
                                     const std::vector<FrameReport>& reports, int32_t maxFrames) {
    std::vector<Finding> findings;
    if (!scan.readable) {
        findings.push_back(NameFinding(FindingKind::UnreadableFolder, scan.relativeFolder,
                                       "cannot list the session folder: " + scan.error));
    }
    const size_t count = std::min(scan.frames.size(), reports.size());
    for (size_t i = 0; i < count; ++i) {
        const int32_t frame = scan.frames[i].frame;
        if (i > 0 && int64_t{frame} - scan.frames[i - 1].frame > 1) {
            findings.push_back(
                GapFinding(scan.session, scan.frames[i - 1].frame, frame, maxFrames));
        }
        const bool startsRun = OutsideWrap(frame, maxFrames) &&
                               (i == 0 || !OutsideWrap(scan.frames[i - 1].frame, maxFrames) ||
                                int64_t{frame} - scan.frames[i - 1].frame > 1);
        if (startsRun) {
            size_t last = i;
            while (last + 1 < count && OutsideWrap(scan.frames[last + 1].frame, maxFrames) &&
                   int64_t{scan.frames[last + 1].frame} - scan.frames[last].frame == 1) {
                ++last;
            }
            findings.push_back(
                BeyondWrapFinding(scan.session, frame, scan.frames[last].frame, maxFrames));
        }
        for (Finding& finding : FrameFindings(reports[i])) {
            findings.push_back(std::move(finding));
        }
    }
    for (const NameProblem& name : scan.badNames) {
        findings.push_back(NameFinding(FindingKind::BadName, name.path, name.reason));
    }
    return findings;
}

void CountFindings(FindingCounts& counts, const std::vector<Finding>& findings) {
    for (const Finding& finding : findings) {
        ++counts[static_cast<size_t>(finding.kind)];
    }
}

std::string SummaryLine(size_t frameCount, size_t sessionCount, const FindingCounts& counts) {
    std::string line =
        "checked " + std::to_string(frameCount) + (frameCount == 1 ? " frame in " : " frames in ") +
        std::to_string(sessionCount) + (sessionCount == 1 ? " session: " : " sessions: ");
    size_t total = 0;
    for (const size_t count : counts) {
        total += count;
    }
    if (total == 0) {
        return line + "clean";
    }
    line += std::to_string(total) + (total == 1 ? " finding (" : " findings (");
    bool first = true;
    for (size_t kind = 0; kind < counts.size(); ++kind) {
        if (counts[kind] == 0) {
            continue;
        }
        line += (first ? "" : ", ") + std::to_string(counts[kind]) + " " +
                FindingKindName(static_cast<FindingKind>(kind));
        first = false;
    }
    return line + ")";
}

}  // namespace kelvista::replaycli
