#include <atomic>
#include <string>
#include <vector>

#include <QDateTime>
#include <QImage>

#include "Command.h"
#include "CommandArguments.h"
#include "ExportFiles.h"
#include "FilePlacement.h"
#include "FrameImage.h"
#include "FrameReport.h"
#include "HtmlExport.h"
#include "InterruptSignals.h"
#include "NewFile.h"
#include "Output.h"
#include "OutputFolder.h"
#include "OutputTarget.h"
#include "PngOutput.h"
#include "ReplayGuard.h"
#include "ReplayLayout.h"
#include "ReplayScan.h"
#include "SettingsStore.h"
#include "StagingFolder.h"
#include "SystemError.h"

namespace kelvista::replaycli {

namespace {

using fileio::InterruptRequested;
using fileio::OutputFolder;
using fileio::PlacementResult;
using fileio::StagingFolder;
using fileio::SystemReason;
using fileio::WriteNewFile;

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
    "lacking one are left out and counted) and the loader accepts its screenshot (a refused one,\n"
    "or one that is there but cannot be opened, is named on stderr and makes the exit code 1).\n"
    "FRAME may have leading zeros or not: 3.7 and 3.007 are the same frame. DIR is created when\n"
    "it does not exist; it may not lie inside the replay folder (<InstallFolder>/replay), by\n"
    "whatever path or link it is named.\n"
    "\n"
    "With --html DIR the same frames become a page instead of captions.tsv: index.html, replay.js\n"
    "and replay.css beside the PNG files, opened from file:// in any current browser. It steps\n"
    "through the session with the viewer's keys (TAB, SHIFT+TAB, F2, F5, ESC, F10), wrapping\n"
    "around at the replay_maxframes setting of the moment of export; index.html#3.7 opens frame\n"
    "3.007. A refused screenshot is named on stderr as above and shows in the page as\n"
    "\"MISSING FRAME (BMP)\".\n"
    "\n"
    "Nothing is ever half-written: the files are made in a hidden folder inside DIR\n"
    "(.kelvista-replay-export-XXXXXX) and moved into place only once all of them are complete,\n"
    "all of them or none: every target is checked before the first move, and a move that fails\n"
    "all the same takes back the ones made. On a failure (a full disk, a file-size limit, a\n"
    "target that cannot be replaced), and when SIGINT, SIGTERM or SIGHUP stops the export, DIR\n"
    "stays as it was. The hidden folder of an export that was killed outright is removed by the\n"
    "next export into DIR. Frames are decoded and encoded in parallel; a progress bar is drawn on\n"
    "stderr when it is a terminal and the export takes a while.\n"
    "\n"
    "Options:\n"
    "  --to DIR      the folder to write the frames and captions.tsv to\n"
    "  --html DIR    the folder to write the page to (one of --to and --html is required)\n"
    "  --force       replaces files of the same names in DIR (a link of such a name is replaced\n"
    "                itself, what it points to is left alone); without it the export is\n"
    "                refused when any of them exists, or appears while the export runs\n"
    "  -h, --help    shows this help\n"
    "\n"
    "Exit codes: 0 everything asked for was written; 1 a file exists (no --force) or cannot be\n"
    "replaced (a folder, another user's file in a shared folder), DIR cannot be written or lies\n"
    "inside the replay folder, no replay folder, no such session or frame, a frame not present or\n"
    "refused; 2 usage error (not SESSION or SESSION.FRAME, neither or both of --to and --html);\n"
    "129, 130, 143 stopped by SIGHUP, SIGINT, SIGTERM, nothing written.\n"
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

// A frame whose two files are both there but whose screenshot cannot be opened (no permission,
// a folder or a FIFO of that name): the viewer cannot step onto it, like a frame that lacks a
// file, but here something is wrong that the user should hear about.
bool ScreenshotCannotBeOpened(const FrameReport& report) {
    return !report.present() && StatusOf(report) == FrameStatus::BadScreenshot;
}

class Export {
public:
    Export(CommandStreams io, std::string folder, bool force, bool html)
        : m_io(io),
          m_path(std::move(folder)),
          m_shown(ShownPath(m_path)),
          m_force(force),
          m_html(html),
          m_protect(ProtectedReplayFolder()) {}

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
        if (InterruptRequested()) {
            return FailInterrupted(m_io, "export");
        }
        OutputFolder::Failure failure;
        std::optional<OutputFolder> folder =
            OutputFolder::Open(m_path, true, isProtected(), failure);
        if (!folder) {
            if (failure.kind == OutputFolder::Failure::Kind::Protected) {
                return m_io.fail(kExitFailure,
                                 "export: " + m_shown + " is inside the replay folder " +
                                     ShownPath(m_protect->path) + "; nothing written");
            }
            return m_io.fail(kExitFailure, "export: cannot create the folder " + m_shown + ": " +
                                               SystemReason(failure.errnum));
        }
        const int exitCode = exportInto(*folder, items, onlyFrame.has_value());
        folder->removeMadeFolders();
        return exitCode;
    }

private:
    fileio::IsProtected isProtected() const { return Protecting(m_protect); }

    int exportInto(const OutputFolder& folder, const std::vector<FrameItem>& items, bool single) {
        if (const std::optional<int> refused = checkTargets(folder, items)) {
            return *refused;
        }
        int errnum = 0;
        std::optional<StagingFolder> staging =
            StagingFolder::Create(folder.fd(), kStagingOwner, "export", errnum);
        if (!staging) {
            return m_io.fail(kExitFailure,
                             "export: cannot write to " + m_shown + ": " + SystemReason(errnum));
        }
        return exportFrames(folder, *staging, items, single);
    }

    // Refuses early, before the long work, what the move into place would refuse anyway: files
    // of the same names without --force, targets that cannot be replaced with it.
    std::optional<int> checkTargets(const OutputFolder& folder,
                                    const std::vector<FrameItem>& items) const {
        std::vector<std::string> names = ownFileNames();
        for (const FrameItem& item : items) {
            names.push_back(ExportFileName(item.session, item.entry->frame).toStdString());
        }
        if (m_force) {
            const PlacementResult check =
                fileio::CheckReplaceable(folder.fd(), names, isProtected());
            if (check.placed()) {
                return std::nullopt;
            }
            return m_io.fail(kExitFailure, placementFailure(check));
        }
        const std::vector<std::string> existing = fileio::ExistingNames(folder.fd(), names);
        if (existing.empty()) {
            return std::nullopt;
        }
        std::string which = existing.front();
        if (existing.size() > 1) {
            which += " and " + std::to_string(existing.size() - 1) + " more";
        }
        return m_io.fail(kExitFailure, alreadyThere(which));
    }

    std::string alreadyThere(const std::string& which) const {
        return "export: " + which + " already in " + m_shown +
               "; nothing written (--force replaces them)";
    }

    // The line for a move into place that did not happen (the moves made were taken back).
    std::string placementFailure(const PlacementResult& result) const {
        const std::string outcome = result.undoFailed.empty()
                                        ? "; nothing written"
                                        : "; could not put back " + result.undoFailed;
        switch (result.status) {
            case PlacementResult::Status::Exists:
                return alreadyThere(result.name);
            case PlacementResult::Status::Refused:
                return "export: " + result.name + " in " + m_shown + " " + result.reason + outcome;
            case PlacementResult::Status::Busy:
                return "export: " + m_shown + " is being written by another run" + outcome;
            case PlacementResult::Status::Protected:
                return "export: " + result.name + " in " + m_shown + " " +
                       std::string(kLinkIntoReplayFolder) + outcome;
            default:
                return "export: cannot move " + result.name + " into " + m_shown + ": " +
                       result.reason + outcome;
        }
    }

    // The files written beside the frames.
    std::vector<std::string> ownFileNames() const {
        if (m_html) {
            return {kPageFileName, kPageScriptName, kPageStyleName};
        }
        return {kCaptionsFileName};
    }

    int exportFrames(const OutputFolder& folder, StagingFolder& staging,
                     const std::vector<FrameItem>& items, bool single) {
        std::vector<CaptionRow> rows;
        PageData page;
        std::vector<std::string> written;
        size_t notPresent = 0;
        int exitCode = kExitSuccess;
        std::string failure;
        std::atomic<bool> failed{false};
        const int stagingFd = staging.fd();
        const std::string shown = m_shown;
        Progress progress("export", items.size());
        ForEachOrdered(
            items,
            [stagingFd, &shown, &failed](const FrameItem& item) {
                ExportResult result;
                InspectOptions options;
                options.usePicture = [&](const FrameReport& report, const DibSection& dib) {
                    if (!report.present()) {
                        return;
                    }
                    const std::string name =
                        ExportFileName(report.session, report.frame).toStdString();
                    // As the viewer shows it: the 32-bit block, fourth byte ignored.
                    const QImage image = FrameImage(dib);
                    std::string reason;
                    result.written = WriteNewFile(
                        stagingFd, name,
                        [&image](int fd, std::string& why) { return WritePng(fd, image, why); },
                        reason);
                    if (!result.written) {
                        result.error = "cannot write " + name + " in " + shown + ": " + reason;
                        failed = true;
                    }
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
                    failed = true;
                } else if (ScreenshotCannotBeOpened(report)) {
                    progress.clear();
                    exitCode = m_io.fail(kExitFailure, "export: " + position + " not exported: " +
                                                           ScreenshotProblem(report));
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
                    written.push_back(file.toStdString());
                    rows.push_back(
                        {report.session, report.frame, file, OneLineCaption(report.caption)});
                }
            },
            [&failed] { return failed || InterruptRequested(); });
        progress.finish();
        if (InterruptRequested()) {
            return FailInterrupted(m_io, "export");
        }
        if (!failure.empty()) {
            return m_io.fail(kExitFailure, "export: " + failure + "; nothing written");
        }
        if (written.empty()) {
            if (exitCode == kExitSuccess) {
                exitCode = m_io.fail(kExitFailure, "export: no present frame to export");
            }
            return exitCode;
        }
        std::string error;
        if (m_html) {
            page.session = items.front().session;
            page.maxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
            page.stamp = PageStamp(QDateTime::currentDateTime());
            if (!WritePageFiles(stagingFd, page, error)) {
                return failWriting(error);
            }
        } else {
            std::string reason;
            if (!WriteNewFile(stagingFd, kCaptionsFileName, CaptionsTable(rows), reason)) {
                return failWriting(std::string("cannot write ") + kCaptionsFileName + ": " +
                                   reason);
            }
        }
        const std::vector<std::string> own = ownFileNames();
        written.insert(written.end(), own.begin(), own.end());
        if (const std::optional<int> stop = placeFiles(folder, staging, written)) {
            return *stop;
        }
        m_io.out << "wrote " << rows.size() << (rows.size() == 1 ? " frame" : " frames") << " and "
                 << (m_html ? kPageFileName : kCaptionsFileName) << " to " << m_shown;
        if (notPresent > 0 && !single) {
            m_io.out << " (" << notPresent << " not present, left out)";
        }
        m_io.out << "\n";
        m_io.out.flush();
        return exitCode;
    }

    int failWriting(const std::string& error) const {
        if (InterruptRequested()) {
            return FailInterrupted(m_io, "export");
        }
        return m_io.fail(kExitFailure, "export: " + error + "; nothing written");
    }

    // Moves the files into place, all or none. nullopt once they are there for good.
    std::optional<int> placeFiles(const OutputFolder& folder, StagingFolder& staging,
                                  const std::vector<std::string>& names) const {
        fileio::PlacementOptions options;
        options.replace = m_force;
        options.isProtected = isProtected();
        const PlacementResult placed = fileio::CommitStagedFiles(folder, staging, names, options);
        if (placed.status == PlacementResult::Status::Interrupted) {
            if (!placed.undoFailed.empty()) {
                return m_io.fail(fileio::InterruptExitCode(fileio::InterruptSignal()),
                                 "export: interrupted; could not put back " + placed.undoFailed);
            }
            return FailInterrupted(m_io, "export");
        }
        if (!placed.placed()) {
            return m_io.fail(kExitFailure, placementFailure(placed));
        }
        return std::nullopt;
    }

    CommandStreams m_io;
    std::string m_path;   // DIR as file-system bytes
    std::string m_shown;  // DIR for messages
    bool m_force;
    bool m_html;  // the page instead of captions.tsv
    std::optional<ProtectedFolder> m_protect;
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
    // From here on a signal stops the export cleanly, whatever it has written so far.
    const fileio::InterruptGuard interruptGuard;
    int exitCode = kExitSuccess;
    const std::optional<SessionScan> scan =
        ScanNamedSession(QString::number(session), "export", io, exitCode);
    if (!scan) {
        return exitCode;
    }
    Export exporter(io, LocalPath(parsed.value(option)), parsed.isSet(kForceOption), html);
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
