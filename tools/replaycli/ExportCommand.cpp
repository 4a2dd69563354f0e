#include <string>
#include <vector>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "Command.h"
#include "CommandArguments.h"
#include "ExportFiles.h"
#include "FrameImage.h"
#include "FrameReport.h"
#include "HtmlExport.h"
#include "Output.h"
#include "ReplayLayout.h"
#include "ReplayScan.h"
#include "SettingsStore.h"

namespace kelvista::replaycli {

namespace {

const QString kToOption = QStringLiteral("to");
const QString kHtmlOption = QStringLiteral("html");
const QString kForceOption = QStringLiteral("force");

const char kDetails[] =
    "Writes the frame SESSION.FRAME, or every present frame of SESSION, into DIR as\n"
    "session<S>-frame<FFF>.png (session3-frame007.png): the picture exactly as the viewer shows\n"
    "it, opaque, at its natural size. Beside them, captions.tsv lists what was written: UTF-8,\n"
    "tab separated, with a header line:\n"
    "  position<TAB>file<TAB>caption\n"
    "  [3.007]<TAB>session3-frame007.png<TAB>Hand 12\n"
    "Tabs and other control characters inside a caption are written as spaces.\n"
    "\n"
    "A frame is exported when the viewer would show it: both of its files are there (frames\n"
    "lacking one are left out and counted) and the loader accepts its screenshot (a refused one\n"
    "is named on stderr and makes the exit code 1). FRAME may have leading zeros or not: 3.7\n"
    "and 3.007 are the same frame. DIR is created when it does not exist.\n"
    "\n"
    "With --html DIR the same frames become a page instead of captions.tsv: index.html, replay.js\n"
    "and replay.css beside the PNG files, opened from file:// in any current browser. It steps\n"
    "through the session with the viewer's keys (TAB, SHIFT+TAB, F2, F5, ESC, F10), wrapping\n"
    "around at the replay_maxframes setting of the moment of export; index.html#3.7 opens frame\n"
    "3.007. A refused screenshot is named on stderr as above and shows in the page as\n"
    "\"MISSING FRAME (BMP)\".\n"
    "\n"
    "Nothing is ever half-written: the files are made under a temporary folder inside DIR and\n"
    "moved into place only once all of them are complete; on a failure DIR stays as it was.\n"
    "Frames are decoded and encoded in parallel; a progress bar is drawn on stderr when it is a\n"
    "terminal and the export takes a while.\n"
    "\n"
    "Options:\n"
    "  --to DIR      the folder to write the frames and captions.tsv to\n"
    "  --html DIR    the folder to write the page to (one of --to and --html is required)\n"
    "  --force       replaces files of the same names in DIR; without it the export is refused\n"
    "                when any of them exists\n"
    "  -h, --help    shows this help\n"
    "\n"
    "Exit codes: 0 everything asked for was written; 1 a file exists (no --force), DIR cannot\n"
    "be written, no replay folder, no such session or frame, a frame not present or refused;\n"
    "2 usage error (not SESSION or SESSION.FRAME, neither or both of --to and --html).\n"
    "\n"
    "Examples:\n"
    "  kelvista-replay export 12.47 --to ~/share     # writes session12-frame047.png\n"
    "  kelvista-replay export 3 --to /tmp/session3 --force\n"
    "  kelvista-replay export 3 --html /tmp/session3-page    # then open index.html";

struct ExportResult {
    FrameReport report;
    bool written = false;
    std::string error;
};

bool WriteTextFile(const QString& path, const std::string& text, std::string& error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.flush()) {
        error = "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

// The outermost folder on the way to `folder` that does not exist (`folder` itself when only it
// is missing, empty when it exists): the first one that making `folder` creates.
QString FirstMissingFolder(const QString& folder) {
    QString missing;
    QString path = QDir(folder).absolutePath();
    while (!QFileInfo::exists(path)) {
        missing = path;
        const QString parent = QFileInfo(path).path();
        if (parent == path) {
            break;
        }
        path = parent;
    }
    return missing;
}

class Export {
public:
    Export(CommandStreams io, QString folder, bool force, bool html)
        : m_io(io), m_folder(std::move(folder)), m_force(force), m_html(html) {}

    int run(const SessionScan& scan, std::optional<int32_t> onlyFrame) {
        std::vector<FrameItem> items;
        for (const FrameEntry& entry : scan.frames) {
            if (!onlyFrame || entry.frame == *onlyFrame) {
                items.push_back({0, scan.session, &entry});
            }
        }
        if (onlyFrame && items.empty()) {
            return m_io.fail(kExitFailure, "export: no frame " +
                                               PositionText(scan.session, *onlyFrame) + " in " +
                                               scan.folder);
        }
        m_firstMissing = FirstMissingFolder(m_folder);
        const int exitCode = exportInto(items, onlyFrame.has_value());
        removeMadeFolders();
        return exitCode;
    }

private:
    int exportInto(const std::vector<FrameItem>& items, bool single) {
        if (const std::optional<int> refused = prepareFolder(items)) {
            return *refused;
        }
        QTemporaryDir staging(QDir(m_folder).filePath(".kelvista-replay-export-XXXXXX"));
        if (!staging.isValid()) {
            return m_io.fail(kExitFailure, "export: cannot write to " + m_folder.toStdString() +
                                               ": " + staging.errorString().toStdString());
        }
        const int exitCode = exportFrames(items, staging.path(), single);
        staging.remove();
        return exitCode;
    }

    // Removes the folders that making the export's folder created, innermost first, as long as
    // they are empty: a failed export leaves no trace, a successful one keeps its files.
    void removeMadeFolders() const {
        if (m_firstMissing.isEmpty()) {
            return;
        }
        QString path = QDir(m_folder).absolutePath();
        while (true) {
            QDir().rmdir(path);
            const QString parent = QFileInfo(path).path();
            if (path == m_firstMissing || parent == path) {
                return;
            }
            path = parent;
        }
    }

    // Creates the folder and refuses to replace files unless asked to.
    std::optional<int> prepareFolder(const std::vector<FrameItem>& items) {
        if (!QDir().mkpath(m_folder) || !QFileInfo(m_folder).isDir()) {
            return m_io.fail(kExitFailure,
                             "export: cannot create the folder " + m_folder.toStdString());
        }
        if (!QFileInfo(m_folder).isWritable()) {
            return m_io.fail(kExitFailure, "export: cannot write to " + m_folder.toStdString());
        }
        if (m_force) {
            return std::nullopt;
        }
        QStringList names = ownFileNames();
        for (const FrameItem& item : items) {
            names.append(ExportFileName(item.session, item.entry->frame));
        }
        const QStringList existing = ExistingFiles(m_folder, names);
        if (existing.isEmpty()) {
            return std::nullopt;
        }
        std::string which = existing.first().toStdString();
        if (existing.size() > 1) {
            which += " and " + std::to_string(existing.size() - 1) + " more";
        }
        return m_io.fail(kExitFailure, "export: " + which + " already in " +
                                           m_folder.toStdString() +
                                           "; nothing written (--force replaces them)");
    }

    // The files written beside the frames.
    QStringList ownFileNames() const {
        if (m_html) {
            return {QString::fromLatin1(kPageFileName), QString::fromLatin1(kPageScriptName),
                    QString::fromLatin1(kPageStyleName)};
        }
        return {QString::fromLatin1(kCaptionsFileName)};
    }

    int exportFrames(const std::vector<FrameItem>& items, const QString& staging, bool single) {
        std::vector<CaptionRow> rows;
        PageData page;
        QStringList written;
        size_t notPresent = 0;
        int exitCode = kExitSuccess;
        std::string failure;
        Progress progress("export", items.size());
        ForEachOrdered(
            items,
            [&staging](const FrameItem& item) {
                ExportResult result;
                InspectOptions options;
                options.usePicture = [&](const FrameReport& report, const DibSection& dib) {
                    if (!report.present()) {
                        return;
                    }
                    const QString path =
                        QDir(staging).filePath(ExportFileName(report.session, report.frame));
                    // As the viewer shows it: the 32-bit block, fourth byte ignored.
                    result.written = SavePng(FrameImage(dib), path, result.error);
                };
                result.report = InspectFrame(item.session, *item.entry, options);
                return result;
            },
            [&](size_t, ExportResult&& result) {
                progress.advance();
                const FrameReport& report = result.report;
                const std::string position = PositionText(report.session, report.frame);
                if (m_html && result.error.empty()) {
                    const QString file = ExportFileName(report.session, report.frame);
                    if (std::optional<PageFrame> frame = PageFrameOf(report, file)) {
                        page.frames.push_back(std::move(*frame));
                    }
                }
                if (!result.error.empty()) {
                    failure = failure.empty() ? result.error : failure;
                } else if (!report.present()) {
                    ++notPresent;
                    if (single) {
                        progress.clear();
                        exitCode = m_io.fail(
                            kExitFailure, "export: " + position +
                                              " is not present: " + StatusName(StatusOf(report)));
                    }
                } else if (!result.written) {
                    progress.clear();
                    exitCode = m_io.fail(kExitFailure, "export: " + position + " not exported: " +
                                                           ScreenshotProblem(report));
                } else {
                    const QString file = ExportFileName(report.session, report.frame);
                    written.append(file);
                    rows.push_back(
                        {report.session, report.frame, file, OneLineCaption(report.caption)});
                }
            });
        progress.finish();
        if (!failure.empty()) {
            return m_io.fail(kExitFailure, "export: " + failure + "; nothing written");
        }
        if (written.isEmpty()) {
            if (exitCode == kExitSuccess) {
                exitCode = m_io.fail(kExitFailure, "export: no present frame to export");
            }
            return exitCode;
        }
        std::string error;
        written.append(ownFileNames());
        if (m_html) {
            page.session = items.front().session;
            page.maxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
            page.stamp = PageStamp(QDateTime::currentDateTime());
            if (!WritePageFiles(staging, page, error)) {
                return m_io.fail(kExitFailure, "export: " + error);
            }
        } else if (!WriteTextFile(QDir(staging).filePath(QString::fromLatin1(kCaptionsFileName)),
                                  CaptionsTable(rows), error)) {
            return m_io.fail(kExitFailure, "export: " + error);
        }
        if (!MoveFiles(staging, m_folder, written, error)) {
            return m_io.fail(kExitFailure, "export: " + error);
        }
        m_io.out << "wrote " << rows.size() << (rows.size() == 1 ? " frame" : " frames") << " and "
                 << (m_html ? kPageFileName : kCaptionsFileName) << " to "
                 << m_folder.toStdString();
        if (notPresent > 0 && !single) {
            m_io.out << " (" << notPresent << " not present, left out)";
        }
        m_io.out << "\n";
        m_io.out.flush();
        return exitCode;
    }

    CommandStreams m_io;
    QString m_folder;
    bool m_force;
    bool m_html;             // the page instead of captions.tsv
    QString m_firstMissing;  // the outermost folder of m_folder that did not exist before
};

int RunExport(const QStringList& arguments, CommandStreams io) {
    CommandArguments parsed(
        ExportCommand(),
        {QCommandLineOption(kToOption, QStringLiteral("The folder."), QStringLiteral("DIR")),
         QCommandLineOption(kHtmlOption, QStringLiteral("The page's folder."),
                            QStringLiteral("DIR")),
         QCommandLineOption(kForceOption, QStringLiteral("Replaces files."))},
        1);
    if (const std::optional<int> stop = parsed.parseOrStop(arguments, io)) {
        return *stop;
    }
    const QString positionText = parsed.positionals().first();
    int32_t session = 0;
    std::optional<int32_t> frame;
    if (!ParseSessionOrSessionFrame(positionText.toStdString(), session, frame)) {
        const QString message =
            QStringLiteral("'%1' is not SESSION or SESSION.FRAME").arg(positionText);
        return io.fail(kExitUsage, "export: " + message.toStdString());
    }
    const bool html = parsed.isSet(kHtmlOption);
    if (html && parsed.isSet(kToOption)) {
        return io.fail(kExitUsage, "export: --to and --html exclude each other");
    }
    const QString& option = html ? kHtmlOption : kToOption;
    if (!parsed.isSet(option) || parsed.value(option).isEmpty()) {
        return io.fail(kExitUsage, "export: missing --" + option.toStdString() +
                                       " DIR (usage: export " +
                                       std::string(ExportCommand().synopsis) + ")");
    }
    int exitCode = kExitSuccess;
    const std::optional<SessionScan> scan =
        ScanNamedSession(QString::number(session), "export", io, exitCode);
    if (!scan) {
        return exitCode;
    }
    Export exporter(io, parsed.value(option), parsed.isSet(kForceOption), html);
    return exporter.run(*scan, frame);
}

}  // namespace

const Command& ExportCommand() {
    static const Command command{
        "export", "SESSION[.FRAME] (--to DIR | --html DIR) [--force]",
        "Writes a frame, or every present frame of a session, as PNG with a captions.tsv or a "
        "page.",
        kDetails, RunExport};
    return command;
}

}  // namespace kelvista::replaycli
