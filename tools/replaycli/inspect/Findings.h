#pragma once

// check's findings: what the viewer cannot show or never reaches, each with what the viewer does
// there, made from a session's scan and its frame reports, and printed as a line or as JSON.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QJsonObject>

#include "inspect/FrameReport.h"
#include "inspect/ReplayScan.h"

namespace kelvista::replaycli {

// The fixed kinds of an integrity finding, in report order within one frame.
enum class FindingKind {
    BadName,           // a name that does not follow the layout
    UnreadableFolder,  // a session folder that cannot be listed
    Gap,               // frame numbers missing between two found frames
    BeyondWrap,        // frames outside 0 .. max frames - 1: only F2 reaches them
    NoCaption,         // screenshot without caption file: the frame is not present
    NoScreenshot,      // caption file without screenshot
    PathTooLong,       // a frame path the viewer cannot compose: the frame is not present
    BadCaption,        // caption file that cannot be opened: the frame is not present
    BadScreenshot,     // screenshot the loader refuses
};
inline constexpr int kFindingKindCount = 9;

const char* FindingKindName(FindingKind kind);

struct Finding {
    FindingKind kind = FindingKind::BadName;
    std::optional<int32_t> session;
    std::optional<int32_t> frame;      // the first frame concerned
    std::optional<int32_t> lastFrame;  // ranges: the last frame concerned
    int64_t count = 0;                 // ranges: how many frames
    std::string path;                  // names and folders: relative to the root
    std::optional<int> loaderCode;
    std::optional<int32_t> sourceBitsPerPixel;
    std::string message;
};

// "[3.007] no-caption: ..." or "replay/session3/frame07.bmp bad-name: ...". The path is printed
// escaped (EscapedName), in the line and in the JSON alike.
std::string FindingLine(const Finding& finding);
QJsonObject FindingJson(const Finding& finding);

// Findings about the names in the replay folder itself.
std::vector<Finding> TreeFindings(const ReplayTree& tree);

// Findings of one session: its folder, numbering, frames (reports in frame order, one per entry
// of `scan.frames`) and names. `maxFrames` is the wrap-around count; 0 or less means none.
std::vector<Finding> SessionFindings(const SessionScan& scan,
                                     const std::vector<FrameReport>& reports, int32_t maxFrames);

// Frame-level findings of one report, in kind order.
std::vector<Finding> FrameFindings(const FrameReport& report);

// How many findings of each kind, indexed by FindingKind.
using FindingCounts = std::array<size_t, kFindingKindCount>;

void CountFindings(FindingCounts& counts, const std::vector<Finding>& findings);

// "checked 12 frames in 3 sessions: 9 findings (2 bad-name, 1 gap, ...)" or "...: clean".
std::string SummaryLine(size_t frameCount, size_t sessionCount, const FindingCounts& counts);

}  // namespace kelvista::replaycli
