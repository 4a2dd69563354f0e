// ls [SESSION]: the sessions and their frames, as the viewer finds them.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "ReplayLayout.h"
#include "SettingsStore.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "commands/SessionArguments.h"
#include "inspect/FrameChanges.h"
#include "inspect/FrameReport.h"
#include "inspect/ReplayScan.h"

namespace kelvista::replaycli {

namespace {

struct SessionCounts {
    size_t present = 0;
    size_t incomplete = 0;
    size_t unreadable = 0;
    std::optional<int32_t> first;
    std::optional<int32_t> last;
};

void Count(SessionCounts& counts, const FrameReport& report) {
    switch (StatusOf(report)) {
        case FrameStatus::Present:
            ++counts.present;
            if (!counts.first) {
                counts.first = report.frame;
            }
            counts.last = report.frame;
            break;
        case FrameStatus::NoScreenshot:
        case FrameStatus::NoCaption:
            ++counts.incomplete;
            break;
        case FrameStatus::PathTooLong:
        case FrameStatus::BadCaption:
        case FrameStatus::BadScreenshot:
            ++counts.unreadable;
            break;
    }
}

std::string SessionLine(int32_t session, const SessionCounts& counts) {
    std::string line =
        "session " + std::to_string(session) + ": " + std::to_string(counts.present) + " present";
    if (counts.first) {
        line += ", frames " + std::to_string(*counts.first) + " to " + std::to_string(*counts.last);
    }
    return line + ", " + std::to_string(counts.incomplete) + " incomplete, " +
           std::to_string(counts.unreadable) + " unreadable";
}

QJsonObject SessionJson(int32_t session, const SessionCounts& counts) {
    QJsonObject json;
    json.insert("session", session);
    json.insert("present", static_cast<qint64>(counts.present));
    if (counts.first) {
        json.insert("first", *counts.first);
        json.insert("last", *counts.last);
    }
    json.insert("incomplete", static_cast<qint64>(counts.incomplete));
    json.insert("unreadable", static_cast<qint64>(counts.unreadable));
    return json;
}

std::string UnreadableSessionLine(const SessionScan& scan) {
    return "session " + std::to_string(scan.session) + ": cannot read the folder: " + scan.error;
}

QJsonObject UnreadableSessionJson(const SessionScan& scan) {
    QJsonObject json;
    json.insert("session", scan.session);
    json.insert("readable", false);
    json.insert("error", QString::fromStdString(scan.error));
    return json;
}

// The change column of ls --changes: nothing to compare with, no change, or the changes.
struct ChangeCell {
    bool compared = false;
    FrameDiff diff;
};

std::string ChangeText(const ChangeCell& cell) {
    if (!cell.compared) {
        return "-";
    }
    return cell.diff.changedPixels == 0 ? "=" : ChangedPercent(cell.diff) + "%";
}

std::string FrameLine(const FrameReport& report, const std::optional<ChangeCell>& change) {
    char status[32];
    std::snprintf(status, sizeof status, "%-14s", StatusName(StatusOf(report)));
    char size[32] = "-";
    if (report.width > 0) {
        std::snprintf(size, sizeof size, "%dx%d", report.width, report.height);
    }
    char sizeColumn[40];
    std::snprintf(sizeColumn, sizeof sizeColumn, "%-9s", size);
    std::string line =
        PositionText(report.session, report.frame) + "  " + status + "  " + sizeColumn + "  ";
    if (change) {
        char changeColumn[32];
        std::snprintf(changeColumn, sizeof changeColumn, "%-7s", ChangeText(*change).c_str());
        line += std::string(changeColumn) + "  ";
    }
    line += OneLineCaption(report.caption);
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

QJsonObject FrameJson(const FrameReport& report, const std::optional<ChangeCell>& change) {
    QJsonObject json;
    json.insert("session", report.session);
    json.insert("frame", report.frame);
    json.insert("state", StatusName(StatusOf(report)));
    if (report.width > 0) {
        json.insert("width", report.width);
        json.insert("height", report.height);
    }
    json.insert("caption", QString::fromStdString(OneLineCaption(report.caption)));
    if (change && change->compared) {
        json.insert("changed_percent",
                    QString::fromStdString(ChangedPercent(change->diff)).toDouble());
        QJsonArray regions;
        for (const DiffRegion& region : change->diff.regions) {
            regions.append(QJsonObject{{"x", region.x},
                                       {"y", region.y},
                                       {"width", region.width},
                                       {"height", region.height}});
        }
        json.insert("regions", regions);
    }
    return json;
}

// Writes a line of text, or a JSON object as one line.
class ListingPrinter {
public:
    ListingPrinter(std::ostream& out, bool json) : m_out(out), m_json(json) {}

    void session(int32_t session, const SessionCounts& counts) {
        if (m_json) {
            line(SessionJson(session, counts));
        } else {
            m_out << SessionLine(session, counts) << "\n";
        }
        m_out.flush();
    }

    void unreadableSession(const SessionScan& scan) {
        if (m_json) {
            line(UnreadableSessionJson(scan));
        } else {
            m_out << UnreadableSessionLine(scan) << "\n";
        }
        m_out.flush();
    }

    void frame(const FrameReport& report, const std::optional<ChangeCell>& change) {
        if (m_json) {
            line(FrameJson(report, change));
        } else {
            m_out << FrameLine(report, change) << "\n";
        }
    }

    bool writing() const { return m_out.good(); }

private:
    void line(const QJsonObject& json) {
        m_out << QJsonDocument(json).toJson(QJsonDocument::Compact).data() << "\n";
    }

    std::ostream& m_out;
    bool m_json;
};

InspectOptions ProbeOptions(bool readCaption) {
    InspectOptions options;
    options.screenshot = ScreenshotCheck::Probe;
    options.readCaption = readCaption;
    return options;
}

// One session at a time, so only one session's listing is held and each line is printed as soon
// as its session is counted. False when a session folder could not be listed.
bool ListSessions(const ReplayTree& tree, ListingPrinter& printer) {
    const InspectOptions options = ProbeOptions(false);
    Progress progress("ls", tree.sessions.size());
    bool allListed = true;
    for (const int32_t session : tree.sessions) {
        const SessionScan scan = ScanSession(session);
        SessionCounts counts;
        InspectSession(scan, options, [&](FrameReport&& report) { Count(counts, report); });
        progress.clear();
        if (scan.readable) {
            printer.session(session, counts);
        } else {
            printer.unreadableSession(scan);
            allListed = false;
        }
        progress.advance();
        if (!printer.writing()) {
            return false;  // the output failed: RunTool reports it
        }
    }
    return allListed;
}

// With `changes` every screenshot is decoded, as check --deep does, and compared with the one
// before it on the pool.
Status ListFrames(const QString& sessionText, bool changes, ListingPrinter& printer,
                  CommandStreams io) {
    const Result<int32_t> session = ParseSessionArgument(sessionText, "ls");
    if (!session) {
        return session.failure();
    }
    const Result<SessionScan> scan = ScanNamedSession(*session, "ls");
    if (!scan) {
        return scan.failure();
    }
    InspectOptions options = ProbeOptions(true);
    if (changes) {
        options.screenshot = ScreenshotCheck::Decode;
        options.changesWrap = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
    }
    Progress progress("ls", scan->frames.size());
    InspectSession(*scan, options, [&](FrameReport&& report) {
        std::optional<ChangeCell> change;
        if (changes) {
            change = ChangeCell{report.changes.has_value(),
                                report.changes ? std::move(*report.changes) : FrameDiff{}};
        }
        progress.clear();
        printer.frame(report, change);
        progress.advance();
        return printer.writing();  // stops once the output failed: RunTool reports it
    });
    progress.finish();
    io.out.flush();
    return {};
}

Status RunLs(const ParsedArguments& arguments, CommandStreams io) {
    const bool numbersOnly = arguments.isSet("sessions");
    ListingPrinter printer(io.out, arguments.isSet("json"));
    if (!arguments.positionals().isEmpty()) {
        if (numbersOnly) {
            return Failure{kExitUsage, "ls: --sessions takes no SESSION"};
        }
        return ListFrames(arguments.positionals().first(), arguments.isSet("changes"), printer, io);
    }
    if (arguments.isSet("changes")) {
        return Failure{kExitUsage, "ls: --changes needs a SESSION"};
    }
    const Result<ReplayTree> tree = ScanReplayTree("ls");
    if (!tree) {
        return tree.failure();
    }
    Status status;
    if (numbersOnly) {
        for (const int32_t session : tree->sessions) {
            io.out << session << "\n";
        }
    } else if (!ListSessions(*tree, printer)) {
        status = Failure{kExitFailure, ""};
    }
    io.out.flush();
    return status;
}

}  // namespace

const Command& LsCommand() {
    // --sessions prints the session numbers alone, one a line, for shell completion; it is left
    // out of the help, which is for people.
    static const Command command{"ls", {{"sessions"}, {"json"}, {"changes"}}, 0, 1, RunLs};
    return command;
}

}  // namespace kelvista::replaycli
