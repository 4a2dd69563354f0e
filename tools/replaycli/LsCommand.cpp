#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "CommandArguments.h"
#include "FrameReport.h"
#include "Output.h"
#include "ReplayLayout.h"
#include "ReplayScan.h"

namespace kelvista::replaycli {

namespace {

const char kDetails[] =
    "Reads the tree exactly as the viewer does: the root folder is the InstallFolder setting,\n"
    "the sessions are the folders replay/session<N>, a frame is present when its screenshot\n"
    "(frame<FFF>.bmp) and its caption file (frame<FFF>.htm) can both be opened, and\n"
    "screenshots are decoded by the viewer's own loader, in parallel on every core.\n"
    "\n"
    "Without SESSION: one line per session, in numeric order:\n"
    "  session 3: 118 present, frames 0 to 119, 1 incomplete, 1 unreadable\n"
    "Present frames are those the viewer shows; incomplete ones lack their screenshot or their\n"
    "caption file; unreadable ones have a caption file that cannot be opened or a screenshot the\n"
    "loader refuses. The three counts add up to the frames found on disk; the first and last\n"
    "frame are those of the present frames.\n"
    "\n"
    "With SESSION: the session's table of contents, one line per frame found on disk: its\n"
    "position as the viewer's title shows it, its state, the picture size and the caption:\n"
    "  [3.007]  present         1920x1080  Hand 12\n"
    "The state is present, no-caption, no-screenshot, bad-caption or bad-screenshot\n"
    "('kelvista-replay check --help' explains each). Pipe it to grep to find a frame.\n"
    "\n"
    "Options:\n"
    "  -h, --help    shows this help\n"
    "\n"
    "Exit codes: 0 listed, 1 no replay folder or no such session, 2 usage error.\n"
    "\n"
    "Examples:\n"
    "  kelvista-replay ls\n"
    "  kelvista-replay ls 3 | grep -i river\n"
    "  kelvista-replay ls 3 | grep -v present";

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

void ListSessions(const ReplayTree& tree, CommandStreams io) {
    std::vector<SessionScan> scans;
    for (const int32_t session : tree.sessions) {
        scans.push_back(ScanSession(session));
    }
    std::vector<SessionCounts> counts(scans.size());
    const std::vector<FrameItem> items = FrameItems(scans);
    InspectOptions options;
    options.readCaption = false;
    size_t printed = 0;
    auto printFinishedSessions = [&](size_t upTo) {
        for (; printed < upTo; ++printed) {
            io.out << SessionLine(scans[printed].session, counts[printed]) << "\n";
        }
    };
    InspectInOrder(items, options, "ls",
                   [&](const FrameItem& item, FrameReport&& report, Progress& progress) {
                       if (printed < item.sessionIndex) {
                           progress.clear();
                       }
                       printFinishedSessions(item.sessionIndex);
                       Count(counts[item.sessionIndex], report);
                   });
    printFinishedSessions(scans.size());
}

int ListFrames(const QString& sessionText, CommandStreams io) {
    int exitCode = kExitSuccess;
    const std::optional<SessionScan> scan = ScanNamedSession(sessionText, "ls", io, exitCode);
    if (!scan) {
        return exitCode;
    }
    const std::vector<SessionScan> scans{*scan};
    InspectInOrder(FrameItems(scans), InspectOptions{}, "ls",
                   [&](const FrameItem&, FrameReport&& report, Progress& progress) {
                       progress.clear();
                       io.out << FrameLine(report) << "\n";
                   });
    io.out.flush();
    return kExitSuccess;
}

int RunLs(const QStringList& arguments, CommandStreams io) {
    // --sessions prints the session numbers alone, one a line, for shell completion; it is left
    // out of the help, which is for people.
    const QString sessionsOption = QStringLiteral("sessions");
    CommandArguments parsed(LsCommand(),
                            {QCommandLineOption(sessionsOption, QStringLiteral("Numbers only."))},
                            std::min<qsizetype>(PositionalCount(arguments), 1));
    if (const std::optional<int> stop = parsed.parseOrStop(arguments, io)) {
        return *stop;
    }
    const bool numbersOnly = parsed.isSet(sessionsOption);
    if (!parsed.positionals().isEmpty()) {
        return numbersOnly ? io.fail(kExitUsage, "ls: --sessions takes no SESSION")
                           : ListFrames(parsed.positionals().first(), io);
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
    } else {
        ListSessions(*tree, io);
    }
    io.out.flush();
    return kExitSuccess;
}

}  // namespace

const Command& LsCommand() {
    static const Command command{
        "ls", "[SESSION]",
        "Lists the sessions (present, incomplete and unreadable frames), or one session's frames.",
        kDetails, RunLs};
    return command;
}

}  // namespace kelvista::replaycli
