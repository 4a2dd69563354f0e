// check [SESSION]: the integrity report, each finding with what the viewer does there.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include <QJsonDocument>

#include "SettingsStore.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/Progress.h"
#include "commands/SessionArguments.h"
#include "inspect/Findings.h"
#include "inspect/FrameReport.h"
#include "inspect/ReplayScan.h"

namespace kelvista::replaycli {

namespace {

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
// A frame that could not be loaded for want of memory is no finding: the check fails instead.
Result<size_t> CheckSession(const SessionScan& scan, const InspectOptions& options,
                            int32_t maxFrames, FindingPrinter& printer, Progress& progress,
                            bool perFrame) {
    std::vector<FrameReport> reports;
    reports.reserve(scan.frames.size());
    bool outOfMemory = false;
    InspectSession(scan, options, [&](FrameReport&& report) {
        outOfMemory = report.outOfMemory;
        reports.push_back(std::move(report));
        if (perFrame) {
            progress.advance();
        }
        return !outOfMemory;
    });
    progress.clear();
    if (outOfMemory) {
        return OutOfMemory("check");
    }
    printer.print(SessionFindings(scan, reports, maxFrames));
    return scan.frames.size();
}

Status Verdict(const FindingPrinter& printer) {
    if (printer.clean()) {
        return {};
    }
    return Failure{kExitFailure, ""};  // the findings are the report
}

Status RunCheck(const ParsedArguments& arguments, CommandStreams io) {
    FindingPrinter printer(io.out, arguments.isSet("json"));
    InspectOptions options;
    options.readCaption = false;
    options.screenshot = arguments.isSet("deep") ? ScreenshotCheck::Decode : ScreenshotCheck::Probe;
    // The wrap-around count the viewer starts with.
    const int32_t maxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
    if (!arguments.positionals().isEmpty()) {
        const Result<int32_t> session =
            ParseSessionArgument(arguments.positionals().first(), "check");
        if (!session) {
            return session.failure();
        }
        const Result<SessionScan> scan = ScanNamedSession(*session, "check");
        if (!scan) {
            return scan.failure();
        }
        Progress progress("check", scan->frames.size());
        const Result<size_t> frames =
            CheckSession(*scan, options, maxFrames, printer, progress, true);
        progress.finish();
        if (!frames) {
            return frames.failure();
        }
        printer.summary(*frames, 1);
        return Verdict(printer);
    }
    const Result<ReplayTree> tree = ScanReplayTree("check");
    if (!tree) {
        return tree.failure();
    }
    printer.print(TreeFindings(*tree));
    // One session's listing at a time, whatever the size of the tree.
    Progress progress("check", tree->sessions.size());
    size_t frames = 0;
    for (const int32_t session : tree->sessions) {
        const Result<size_t> checked =
            CheckSession(ScanSession(session), options, maxFrames, printer, progress, false);
        if (!checked) {
            return checked.failure();
        }
        frames += *checked;
        progress.advance();
        if (!io.out.good()) {
            return Failure{kExitFailure, ""};  // the output failed: RunTool reports it
        }
    }
    progress.finish();
    printer.summary(frames, tree->sessions.size());
    return Verdict(printer);
}

}  // namespace

const Command& CheckCommand() {
    static const Command command{"check", {{"json"}, {"deep"}}, 0, 1, RunCheck};
    return command;
}

}  // namespace kelvista::replaycli
