#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <QJsonDocument>
#include <QJsonObject>

#include "ReplayLayout.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "inspect/FrameReport.h"
#include "inspect/ReplayScan.h"

namespace kelvista::replaycli {

namespace {

const char kDetails[] =
    "Reads the tree exactly as the viewer does: the root folder is the InstallFolder setting,\n"
    "the sessions are the folders replay/session<N>, a frame is present when its screenshot\n"
    "(frame<FFF>.bmp) and its caption file (frame<FFF>.htm) can both be opened, and each\n"
    "screenshot is judged from its headers and file size, which tell what the viewer's loader\n"
    "answers without reading the pixels (pixel rows that cannot be read, from a failing disk\n"
    "or a share that drops out, show only in 'kelvista-replay check --deep').\n"
    "\n"
    "Without SESSION: one line per session, in numeric order, each as soon as it is counted:\n"
    "  session 3: 118 present, frames 0 to 119, 1 incomplete, 1 unreadable\n"
    "A session folder that cannot be listed gets a line saying why instead, and ls then exits 1:\n"
    "  session 4: cannot read the folder: Permission denied\n"
    "Present frames are those the viewer shows; incomplete ones lack their screenshot or their\n"
    "caption file; unreadable ones have a caption file that cannot be opened, a screenshot the\n"
    "loader refuses or a path too long for the viewer. The three counts add up to the frames\n"
    "found on disk; the first and last frame are those of the present frames.\n"
    "\n"
    "With SESSION: the session's table of contents, one line per frame found on disk: its\n"
    "position as the viewer's title shows it, its state, the picture size and the caption:\n"
    "  [3.007]  present         1920x1080  Hand 12\n"
    "The state is present, no-caption, no-screenshot, path-too-long, bad-caption or\n"
    "bad-screenshot ('kelvista-replay check --help' explains each); path-too-long means the\n"
    "frame's path is longer than the 259 bytes the viewer's paths hold, so the viewer finds no\n"
    "frame there. Pipe it to grep to find a frame.\n"
    "\n"
    "Options:\n"
    "  --json        one JSON object per line instead, with the same fields: per session\n"
    "                {\"session\":3,\"present\":118,\"first\":0,\"last\":119,\"incomplete\":1,\n"
    "                \"unreadable\":1} (\"first\" and \"last\" only when a frame is present), per\n"
    "                frame {\"session\":3,\"frame\":7,\"state\":\"present\",\"width\":1920,\n"
    "                \"height\":1080,\"caption\":\"Hand 12\"} (no \"width\" and \"height\" when\n"
    "                the size is unknown; the caption as one line of UTF-8, as in the text)\n"
    "                and for a session folder that cannot be listed\n"
    "                {\"session\":4,\"readable\":false,\"error\":\"Permission denied\"}\n"
    "  -h, --help    shows this help\n"
    "\n"
    "Names of files and folders are printed escaped, as 'kelvista-replay check --help' says.\n"
    "\n"
    "Exit codes: 0 listed, 1 no replay folder, no such session or a session folder that cannot\n"
    "be listed (the other sessions are still listed), or the output cannot be written; 2 usage\n"
    "error.\n"
    "\n"
    "Examples:\n"
    "  kelvista-replay ls\n"
    "  kelvista-replay ls 3 | grep -i river\n"
    "  kelvista-replay ls 3 | grep -v present\n"
    "  kelvista-replay ls 3 --json | jq -r 'select(.state != \"present\") | .frame'";

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

std::string FrameLine(const FrameReport& report) {
    char status[32];
    std::snprintf(status, sizeof status, "%-14s", StatusName(StatusOf(report)));
    char size[32] = "-";
    if (report.width > 0) {
        std::snprintf(size, sizeof size, "%dx%d", report.width, report.height);
    }
    char sizeColumn[40];
    std::snprintf(sizeColumn, sizeof sizeColumn, "%-9s", size);
    std::string line = PositionText(report.session, report.frame) + "  " + status + "  " +
                       sizeColumn + "  " + OneLineCaption(report.caption);
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

QJsonObject FrameJson(const FrameReport& report) {
    QJsonObject json;
    json.insert("session", report.session);
    json.insert("frame", report.frame);
    json.insert("state", StatusName(StatusOf(report)));
    if (report.width > 0) {
        json.insert("width", report.width);
        json.insert("height", report.height);
    }
    json.insert("caption", QString::fromStdString(OneLineCaption(report.caption)));
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

    void frame(const FrameReport& report) {
        if (m_json) {
            line(FrameJson(report));
        } else {
            m_out << FrameLine(report) << "\n";
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

int ListFrames(const QString& sessionText, ListingPrinter& printer, CommandStreams io) {
    int exitCode = kExitSuccess;
    const std::optional<SessionScan> scan = ScanNamedSession(sessionText, "ls", io, exitCode);
    if (!scan) {
        return exitCode;
    }
    Progress progress("ls", scan->frames.size());
    InspectSession(*scan, ProbeOptions(true), [&](FrameReport&& report) {
        progress.clear();
        printer.frame(report);
        progress.advance();
        return printer.writing();  // stops once the output failed: RunTool reports it
    });
    progress.finish();
    io.out.flush();
    return kExitSuccess;
}

int RunLs(const QStringList& arguments, CommandStreams io) {
    // --sessions prints the session numbers alone, one a line, for shell completion; it is left
    // out of the help, which is for people.
    const QString sessionsOption = QStringLiteral("sessions");
    const QString jsonOption = QStringLiteral("json");
    CommandArguments parsed(LsCommand(),
                            {QCommandLineOption(sessionsOption, QStringLiteral("Numbers only.")),
                             QCommandLineOption(jsonOption, QStringLiteral("JSON lines."))},
                            std::min<qsizetype>(PositionalCount(arguments), 1));
    if (const std::optional<int> stop = parsed.parseOrStop(arguments, io)) {
        return *stop;
    }
    const bool numbersOnly = parsed.isSet(sessionsOption);
    ListingPrinter printer(io.out, parsed.isSet(jsonOption));
    if (!parsed.positionals().isEmpty()) {
        return numbersOnly ? io.fail(kExitUsage, "ls: --sessions takes no SESSION")
                           : ListFrames(parsed.positionals().first(), printer, io);
    }
    int exitCode = kExitSuccess;
    const std::optional<ReplayTree> tree = ScanTreeOrFail("ls", io, exitCode);
    if (!tree) {
        return exitCode;
    }
    if (numbersOnly) {
        for (const int32_t session : tree->sessions) {
            io.out << session << "\n";
        }
    } else if (!ListSessions(*tree, printer)) {
        exitCode = kExitFailure;
    }
    io.out.flush();
    return exitCode;
}

}  // namespace

const Command& LsCommand() {
    static const Command command{
        "ls", "[--json] [SESSION]",
        "Lists the sessions (present, incomplete and unreadable frames), or one session's frames.",
        kDetails, RunLs};
    return command;
}

}  // namespace kelvista::replaycli
