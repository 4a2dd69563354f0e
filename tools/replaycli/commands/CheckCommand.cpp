#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include <QJsonDocument>

#include "SettingsStore.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/Progress.h"
#include "inspect/Findings.h"
#include "inspect/FrameReport.h"
#include "inspect/ReplayScan.h"

namespace kelvista::replaycli {

namespace {

const char kDetails[] =
    "Reads the tree exactly as the viewer does ('kelvista-replay ls --help') and prints one\n"
    "line per finding, in session and frame order, then a summary line:\n"
    "  [3.007] no-caption: screenshot without caption file; the viewer cannot step onto it\n"
    "  checked 120 frames in 1 session: 1 finding (1 no-caption)\n"
    "Sessions are checked one at a time, so lines appear while the rest is still read.\n"
    "\n"
    "Screenshots are judged from their headers and file size, which tell what the viewer's\n"
    "loader answers without reading the pixels. With --deep every screenshot is decoded by the\n"
    "loader instead, in parallel on every core; only that finds a bad-screenshot whose pixel\n"
    "rows cannot be read (a failing disk, a network share that drops out). Every other verdict\n"
    "is the same with and without --deep.\n"
    "\n"
    "Kinds of finding, and what the viewer does with them:\n"
    "  bad-name           a name in replay/ or in a session folder that the layout does not\n"
    "                     produce (frame07.bmp, session03, notes.txt, a folder in a session);\n"
    "                     the viewer never looks at it\n"
    "  unreadable-folder  a session folder that cannot be listed, so its frames are not\n"
    "                     checked; the viewer never lists folders, it opens frames by name\n"
    "  gap                frame numbers missing between two frames found on disk: TAB stops\n"
    "                     at the frame before the gap, SHIFT+TAB at the frame after it; the\n"
    "                     message names only the stops stepping reaches with the wrap-around\n"
    "                     count (frames outside it only F2 reaches)\n"
    "  beyond-wrap        frames numbered below 0 or at or above the wrap-around count (the\n"
    "                     replay_maxframes setting, 1000 when unset): TAB and SHIFT+TAB never\n"
    "                     reach them, only F2 does\n"
    "  no-caption         screenshot without caption file: the frame is not present, so\n"
    "                     stepping onto it does nothing (no message, the position stays):\n"
    "                     TAB stops at the frame before it, SHIFT+TAB at the one after it,\n"
    "                     and F2 to it does nothing either\n"
    "  no-screenshot      caption file without screenshot: not present, as no-caption\n"
    "  path-too-long      a frame whose path (InstallFolder/replay/session<N>/frame<FFF>) is\n"
    "                     longer than the 259 bytes the viewer's paths hold: the viewer\n"
    "                     cannot name its files, so the frame is not present, as no-caption\n"
    "                     (its files are not tested; a shorter InstallFolder mends it)\n"
    "  bad-caption        caption file that cannot be opened: not present, as no-caption\n"
    "  bad-screenshot     screenshot that cannot be opened (not present, as no-caption) or\n"
    "                     that the loader refuses: stepping onto it moves there and shows\n"
    "                     MISSING FRAME (BMP); the title names the frame while the previous\n"
    "                     picture stays. With the loader's code (-1 not readable as a bitmap,\n"
    "                     -2 a depth other than 24 or 32 bits) and the source depth when the\n"
    "                     file tells it; pixel rows that cannot be read need --deep\n"
    "\n"
    "Names are printed so that their bytes can be found again, whatever they hold: a\n"
    "backslash as \\\\, tab, line feed and carriage return as \\t, \\n and \\r, and every other\n"
    "control character and every byte that is not part of valid UTF-8 as \\xhh, one per byte\n"
    "(two hex digits). The JSON's \"path\" and the messages on stderr hold the same form, so\n"
    "the JSON stays valid UTF-8. printf '%b' in bash, or codecs.escape_decode in Python,\n"
    "gives back the bytes:\n"
    "  replay/session3/old\\nnotes.txt bad-name: not a frame file name (frame<NNN>.bmp/.htm)\n"
    "\n"
    "A progress bar is drawn on stderr when it is a terminal and the check takes a while.\n"
    "\n"
    "Options:\n"
    "  --deep        decodes every screenshot in full, to find read errors in the pixels\n"
    "  --json        one JSON object per line instead: each finding with \"kind\",\n"
    "                \"session\", \"frame\", \"last\" and \"count\" (ranges), \"path\" (names,\n"
    "                escaped as above), \"code\" and \"depth\" (screenshots) and\n"
    "                \"message\"; the last line is\n"
    "                {\"kind\":\"summary\",\"sessions\":N,\"frames\":N,\"findings\":N}\n"
    "  -h, --help    shows this help\n"
    "\n"
    "Exit codes: 0 clean, 1 something was found (or there is no replay folder or no such\n"
    "session, or the output cannot be written), 2 usage error.\n"
    "\n"
    "Examples:\n"
    "  kelvista-replay check\n"
    "  kelvista-replay check 3 | grep bad-screenshot\n"
    "  kelvista-replay check --deep 3\n"
    "  kelvista-replay check --json | jq -r 'select(.kind == \"gap\") | .message'";

class FindingPrinter {
public:
    FindingPrinter(std::ostream& out, bool json) : m_out(out), m_json(json) {}

    void print(const std::vector<Finding>& findings) {
        for (const Finding& finding : findings) {
            if (m_json) {
                m_out << QJsonDocument(FindingJson(finding)).toJson(QJsonDocument::Compact).data()
                      << "\n";
            } else {
                m_out << FindingLine(finding) << "\n";
            }
        }
        CountFindings(m_counts, findings);
        m_out.flush();
    }

    void summary(size_t frames, size_t sessions) {
        if (m_json) {
            QJsonObject json;
            json.insert("kind", "summary");
            json.insert("sessions", static_cast<qint64>(sessions));
            json.insert("frames", static_cast<qint64>(frames));
            json.insert("findings", static_cast<qint64>(total()));
            m_out << QJsonDocument(json).toJson(QJsonDocument::Compact).data() << "\n";
        } else {
            m_out << SummaryLine(frames, sessions, m_counts) << "\n";
        }
        m_out.flush();
    }

    bool clean() const { return total() == 0; }

private:
    size_t total() const {
        size_t sum = 0;
        for (const size_t count : m_counts) {
            sum += count;
        }
        return sum;
    }

    std::ostream& m_out;
    bool m_json;
    FindingCounts m_counts{};
};

// Checks one listed session and prints its findings; returns how many frames it has. A session's
// findings need all of its reports (gaps and runs span frames), so they are printed once its
// last frame is in. `progress` counts frames when `perFrame`, else the caller counts sessions.
size_t CheckSession(const SessionScan& scan, const InspectOptions& options, int32_t maxFrames,
                    FindingPrinter& printer, Progress& progress, bool perFrame) {
    std::vector<FrameReport> reports;
    reports.reserve(scan.frames.size());
    InspectSession(scan, options, [&](FrameReport&& report) {
        reports.push_back(std::move(report));
        if (perFrame) {
            progress.advance();
        }
    });
    progress.clear();
    printer.print(SessionFindings(scan, reports, maxFrames));
    return scan.frames.size();
}

int RunCheck(const QStringList& arguments, CommandStreams io) {
    const QString json = QStringLiteral("json");
    const QString deep = QStringLiteral("deep");
    CommandArguments parsed(CheckCommand(),
                            {QCommandLineOption(json, QStringLiteral("JSON lines.")),
                             QCommandLineOption(deep, QStringLiteral("Decode in full."))},
                            std::min<qsizetype>(PositionalCount(arguments), 1));
    if (const std::optional<int> stop = parsed.parseOrStop(arguments, io)) {
        return *stop;
    }
    FindingPrinter printer(io.out, parsed.isSet(json));
    InspectOptions options;
    options.readCaption = false;
    options.screenshot = parsed.isSet(deep) ? ScreenshotCheck::Decode : ScreenshotCheck::Probe;
    // The wrap-around count the viewer starts with.
    const int32_t maxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
    int exitCode = kExitSuccess;
    if (!parsed.positionals().isEmpty()) {
        const std::optional<SessionScan> scan =
            ScanNamedSession(parsed.positionals().first(), "check", io, exitCode);
        if (!scan) {
            return exitCode;
        }
        Progress progress("check", scan->frames.size());
        const size_t frames = CheckSession(*scan, options, maxFrames, printer, progress, true);
        progress.finish();
        printer.summary(frames, 1);
        return printer.clean() ? kExitSuccess : kExitFailure;
    }
    const std::optional<ReplayTree> tree = ScanTreeOrFail("check", io, exitCode);
    if (!tree) {
        return exitCode;
    }
    printer.print(TreeFindings(*tree));
    // One session's listing at a time, whatever the size of the tree.
    Progress progress("check", tree->sessions.size());
    size_t frames = 0;
    for (const int32_t session : tree->sessions) {
        frames += CheckSession(ScanSession(session), options, maxFrames, printer, progress, false);
        progress.advance();
        if (!io.out.good()) {
            return kExitFailure;  // the output failed: RunTool reports it
        }
    }
    progress.finish();
    printer.summary(frames, tree->sessions.size());
    return printer.clean() ? kExitSuccess : kExitFailure;
}

}  // namespace

const Command& CheckCommand() {
    static const Command command{
        "check", "[--deep] [--json] [SESSION]",
        "Integrity report of the tree or one session: frames the viewer cannot show or reach.",
        kDetails, RunCheck};
    return command;
}

}  // namespace kelvista::replaycli
