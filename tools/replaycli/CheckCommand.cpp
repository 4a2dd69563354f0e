#include <algorithm>
#include <string>
#include <vector>

#include <QJsonDocument>

#include "Command.h"
#include "CommandArguments.h"
#include "Findings.h"
#include "FrameReport.h"
#include "ReplayScan.h"
#include "SettingsStore.h"

namespace kelvista::replaycli {

namespace {

const char kDetails[] =
    "Reads the tree exactly as the viewer does ('kelvista-replay ls --help'), decodes every\n"
    "screenshot with the viewer's loader, in parallel on every core, and prints one line per\n"
    "finding, in session and frame order, then a summary line:\n"
    "  [3.007] no-caption: screenshot without caption file; the viewer skips it\n"
    "  checked 120 frames in 1 session: 1 finding (1 no-caption)\n"
    "\n"
    "Kinds of finding:\n"
    "  bad-name           a name in replay/ or in a session folder that the layout does not\n"
    "                     produce (frame07.bmp, session03, notes.txt, a folder in a session);\n"
    "                     the viewer never looks at it\n"
    "  unreadable-folder  a session folder that cannot be listed\n"
    "  gap                frame numbers missing between two frames found on disk: TAB and\n"
    "                     SHIFT+TAB stop at the gap\n"
    "  beyond-wrap        frames numbered below 0 or at or above the wrap-around count (the\n"
    "                     replay_maxframes setting, 1000 when unset): TAB and SHIFT+TAB never\n"
    "                     reach them, only F2 does\n"
    "  no-caption         screenshot without caption file: the viewer silently skips the frame\n"
    "  no-screenshot      caption file without screenshot\n"
    "  bad-caption        caption file that cannot be opened: the viewer skips the frame\n"
    "  bad-screenshot     screenshot the viewer refuses with MISSING FRAME (BMP), with the\n"
    "                     loader's code (-1 not readable as a bitmap, -2 a depth other than 24\n"
    "                     or 32 bits) and the source depth when the file tells it\n"
    "\n"
    "A progress bar is drawn on stderr when it is a terminal and the check takes a while.\n"
    "\n"
    "Options:\n"
    "  --json        one JSON object per line instead: each finding with \"kind\",\n"
    "                \"session\", \"frame\", \"last\" and \"count\" (ranges), \"path\" (names),\n"
    "                \"code\" and \"depth\" (screenshots) and \"message\"; the last line is\n"
    "                {\"kind\":\"summary\",\"sessions\":N,\"frames\":N,\"findings\":N}\n"
    "  -h, --help    shows this help\n"
    "\n"
    "Exit codes: 0 clean, 1 something was found (or there is no replay folder or no such\n"
    "session), 2 usage error.\n"
    "\n"
    "Examples:\n"
    "  kelvista-replay check\n"
    "  kelvista-replay check 3 | grep bad-screenshot\n"
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
            m_all.push_back(finding);
        }
        m_out.flush();
    }

    void summary(size_t frames, size_t sessions) {
        if (m_json) {
            QJsonObject json;
            json.insert("kind", "summary");
            json.insert("sessions", static_cast<qint64>(sessions));
            json.insert("frames", static_cast<qint64>(frames));
            json.insert("findings", static_cast<qint64>(m_all.size()));
            m_out << QJsonDocument(json).toJson(QJsonDocument::Compact).data() << "\n";
        } else {
            m_out << SummaryLine(frames, sessions, m_all) << "\n";
        }
        m_out.flush();
    }

    bool clean() const { return m_all.empty(); }

private:
    std::ostream& m_out;
    bool m_json;
    std::vector<Finding> m_all;
};

int CheckSessions(const std::vector<SessionScan>& scans, FindingPrinter& printer) {
    // The wrap-around count the viewer starts with.
    const int32_t maxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
    const std::vector<FrameItem> items = FrameItems(scans);
    std::vector<FrameReport> reports;
    size_t done = 0;
    // A session's findings need all of its reports (gaps and runs span frames); print each
    // session as soon as its last frame is in.
    auto finishSessions = [&](size_t upTo) {
        for (; done < upTo; ++done) {
            printer.print(SessionFindings(scans[done], reports, maxFrames));
            reports.clear();
        }
    };
    InspectOptions options;
    options.readCaption = false;
    InspectInOrder(items, options, "check",
                   [&](const FrameItem& item, FrameReport&& report, Progress& progress) {
                       if (done < item.sessionIndex) {
                           progress.clear();
                           finishSessions(item.sessionIndex);
                       }
                       reports.push_back(std::move(report));
                   });
    finishSessions(scans.size());
    printer.summary(items.size(), scans.size());
    return printer.clean() ? kExitSuccess : kExitFailure;
}

int RunCheck(const QStringList& arguments, CommandStreams io) {
    const QString json = QStringLiteral("json");
    CommandArguments parsed(CheckCommand(),
                            {QCommandLineOption(json, QStringLiteral("JSON lines."))},
                            std::min<qsizetype>(PositionalCount(arguments), 1));
    if (const std::optional<int> stop = parsed.parseOrStop(arguments, io)) {
        return *stop;
    }
    FindingPrinter printer(io.out, parsed.isSet(json));
    int exitCode = kExitSuccess;
    if (!parsed.positionals().isEmpty()) {
        std::optional<SessionScan> scan =
            ScanNamedSession(parsed.positionals().first(), "check", io, exitCode);
        if (!scan) {
            return exitCode;
        }
        return CheckSessions({std::move(*scan)}, printer);
    }
    const std::optional<ReplayTree> tree = ScanTreeOrFail("check", io, exitCode);
    if (!tree) {
        return exitCode;
    }
    printer.print(TreeFindings(*tree));
    std::vector<SessionScan> scans;
    for (const int32_t session : tree->sessions) {
        scans.push_back(ScanSession(session));
    }
    return CheckSessions(scans, printer);
}

}  // namespace

const Command& CheckCommand() {
    static const Command command{
        "check", "[--json] [SESSION]",
        "Integrity report of the tree or one session: every frame the viewer would skip or refuse.",
        kDetails, RunCheck};
    return command;
}

}  // namespace kelvista::replaycli
