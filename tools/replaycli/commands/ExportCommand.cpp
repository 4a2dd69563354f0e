// export SESSION[.FRAME]: frames as PNG with captions.tsv, or as a page.
#include <atomic>
#include <string>
#include <vector>

#include <QDateTime>
#include <QImage>

#include "FilePlacement.h"
#include "FrameDiff.h"
#include "FrameImage.h"
#include "FrameNumbers.h"
#include "InterruptSignals.h"
#include "NewFile.h"
#include "OutputFolder.h"
#include "ReplayLayout.h"
#include "SettingsStore.h"
#include "StagingFolder.h"
#include "SystemError.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/HelpText.h"
#include "cli/Output.h"
#include "commands/OutputTarget.h"
#include "commands/ReplayGuard.h"
#include "commands/SessionArguments.h"
#include "inspect/FrameChanges.h"
#include "inspect/FrameReport.h"
#include "inspect/ReplayScan.h"
#include "render/CaptionsTable.h"
#include "render/HtmlExport.h"
#include "render/PngOutput.h"

namespace kelvista::replaycli {

namespace {

using fileio::InterruptRequested;
using fileio::OutputFolder;
using fileio::PlacementResult;
using fileio::StagingFolder;
using fileio::SystemReason;
using fileio::WriteNewFile;

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

    Status run(const SessionScan& scan, std::optional<int32_t> onlyFrame) {
        std::vector<const FrameEntry*> items;
        for (const FrameEntry& entry : scan.frames) {
            if (!onlyFrame || entry.frame == *onlyFrame) {
                items.push_back(&entry);
            }
        }
        if (onlyFrame && items.empty()) {
            return Failure{kExitFailure, "export: no frame " +
                                             PositionText(scan.session, *onlyFrame) + " in " +
                                             scan.folder};
        }
        if (InterruptRequested()) {
            return InterruptedFailure("export");
        }
        OutputFolder::Failure failure;
        std::optional<OutputFolder> folder =
            OutputFolder::Open(m_path, true, isProtected(), failure);
        if (!folder) {
            if (failure.kind == OutputFolder::Failure::Kind::Protected) {
                return Failure{kExitFailure, "export: " + m_shown +
                                                 " is inside the replay folder " +
                                                 ShownPath(m_protect->path) + "; nothing written"};
            }
            return Failure{kExitFailure, "export: cannot create the folder " + m_shown + ": " +
                                             SystemReason(failure.errnum)};
        }
        Status status = exportInto(*folder, scan.session, items, onlyFrame.has_value());
        folder->removeMadeFolders();
        return status;
    }

private:
    fileio::IsProtected isProtected() const { return Protecting(m_protect); }

    Status exportInto(const OutputFolder& folder, int32_t session,
                      const std::vector<const FrameEntry*>& items, bool single) {
        if (Status targets = checkTargets(folder, session, items); !targets) {
            return targets;
        }
        int errnum = 0;
        std::optional<StagingFolder> staging =
            StagingFolder::Create(folder.fd(), kStagingOwner, "export", errnum);
        if (!staging) {
            return Failure{kExitFailure,
                           "export: cannot write to " + m_shown + ": " + SystemReason(errnum)};
        }
        return exportFrames(folder, *staging, session, items, single);
    }

    // Refuses early, before the long work, what the move into place would refuse anyway: files
    // of the same names without --force, targets that cannot be replaced with it.
    Status checkTargets(const OutputFolder& folder, int32_t session,
                        const std::vector<const FrameEntry*>& items) const {
        std::vector<std::string> names = ownFileNames();
        for (const FrameEntry* entry : items) {
            names.push_back(ExportFileName(session, entry->frame).toStdString());
        }
        if (m_force) {
            const PlacementResult check =
                fileio::CheckReplaceable(folder.fd(), names, isProtected());
            if (check.placed()) {
                return {};
            }
            return Failure{kExitFailure, placementFailure(check)};
        }
        const std::vector<std::string> existing = fileio::ExistingNames(folder.fd(), names);
        if (existing.empty()) {
            return {};
        }
        std::string which = existing.front();
        if (existing.size() > 1) {
            which += " and " + std::to_string(existing.size() - 1) + " more";
        }
        return Failure{kExitFailure, alreadyThere(which)};
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

    Status exportFrames(const OutputFolder& folder, StagingFolder& staging, int32_t session,
                        const std::vector<const FrameEntry*>& items, bool single) {
        std::vector<CaptionRow> rows;
        PageData page;
        std::vector<std::string> written;
        size_t notPresent = 0;
        // Frames that could not be exported are named as they come, and make the export fail.
        Status status;
        std::string failure;
        std::atomic<bool> failed{false};
        const int stagingFd = staging.fd();
        const std::string shown = m_shown;
        Progress progress("export", items.size());
        const int32_t maxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
        StepChanges steps(session, maxFrames);
        ForEachOrdered(
            items,
            [stagingFd, &shown, &failed, session, html = m_html](const FrameEntry* entry) {
                ExportResult result;
                InspectOptions options;
                options.keepPicture = html;  // for the page's changes, compared in order
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
                result.report = InspectFrame(session, *entry, options);
                return result;
            },
            [&](size_t, ExportResult&& result) {
                progress.advance();
                FrameReport& report = result.report;
                const std::string position = PositionText(report.session, report.frame);
                if (m_html && result.error.empty()) {
                    const std::optional<FrameDiff> changes = steps.next(
                        report.frame, report.viewable() ? std::move(report.picture) : nullptr,
                        report.pictureDib);
                    const QString file = ExportFileName(report.session, report.frame);
                    if (std::optional<PageFrame> frame = PageFrameOf(report, file)) {
                        if (changes) {
                            frame->changes = PageChanges{PrevFrameNumber(report.frame, maxFrames),
                                                         changes->sizesDiffer, changes->regions};
                        }
                        page.frames.push_back(std::move(*frame));
                    }
                }
                if (report.outOfMemory) {
                    failure = failure.empty() ? "out of memory" : failure;
                    failed = true;
                } else if (!result.error.empty()) {
                    failure = failure.empty() ? result.error : failure;
                    failed = true;
                } else if (ScreenshotCannotBeOpened(report)) {
                    progress.clear();
                    status = notExported(position + " not exported: " + ScreenshotProblem(report));
                } else if (!report.present()) {
                    ++notPresent;
                    if (single) {
                        progress.clear();
                        status = notExported(position +
                                             " is not present: " + StatusName(StatusOf(report)));
                    }
                } else if (!result.written) {
                    progress.clear();
                    status = notExported(position + " not exported: " + ScreenshotProblem(report));
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
            return InterruptedFailure("export");
        }
        if (!failure.empty()) {
            return Failure{kExitFailure, "export: " + failure + "; nothing written"};
        }
        if (written.empty()) {
            if (status) {
                return Failure{kExitFailure, "export: no present frame to export"};
            }
            return status;
        }
        std::string error;
        if (m_html) {
            page.session = session;
            page.maxFrames = maxFrames;
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
        if (Status placed = placeFiles(folder, staging, written); !placed) {
            return placed;
        }
        m_io.out << "wrote " << rows.size() << (rows.size() == 1 ? " frame" : " frames") << " and "
                 << (m_html ? kPageFileName : kCaptionsFileName) << " to " << m_shown;
        if (notPresent > 0 && !single) {
            m_io.out << " (" << notPresent << " not present, left out)";
        }
        m_io.out << "\n";
        m_io.out.flush();
        return status;
    }

    // Names a frame that is not exported, now, and makes the export fail once it is done.
    Failure notExported(const std::string& what) const {
        m_io.report({kExitFailure, "export: " + what});
        return {kExitFailure, ""};
    }

    Failure failWriting(const std::string& error) const {
        if (InterruptRequested()) {
            return InterruptedFailure("export");
        }
        return {kExitFailure, "export: " + error + "; nothing written"};
    }

    // Moves the files into place, all or none. nullopt once they are there for good.
    Status placeFiles(const OutputFolder& folder, StagingFolder& staging,
                      const std::vector<std::string>& names) const {
        fileio::PlacementOptions options;
        options.replace = m_force;
        options.isProtected = isProtected();
        const PlacementResult placed = fileio::CommitStagedFiles(folder, staging, names, options);
        if (placed.status == PlacementResult::Status::Interrupted) {
            if (!placed.undoFailed.empty()) {
                return Failure{fileio::InterruptExitCode(fileio::InterruptSignal()),
                               "export: interrupted; could not put back " + placed.undoFailed};
            }
            return InterruptedFailure("export");
        }
        if (!placed.placed()) {
            return Failure{kExitFailure, placementFailure(placed)};
        }
        return {};
    }

    CommandStreams m_io;
    std::string m_path;   // DIR as file-system bytes
    std::string m_shown;  // DIR for messages
    bool m_force;
    bool m_html;  // the page instead of captions.tsv
    std::optional<ProtectedFolder> m_protect;
};

Status RunExport(const ParsedArguments& arguments, CommandStreams io) {
    const Result<Position> position =
        ParseSessionOrFrameArgument(arguments.positionals().first(), "export");
    if (!position) {
        return position.failure();
    }
    const bool html = arguments.isSet("html");
    if (html && arguments.isSet("to")) {
        return Failure{kExitUsage, "export: --to and --html exclude each other"};
    }
    const char* option = html ? "html" : "to";
    if (!arguments.isSet(option) || arguments.value(option).isEmpty()) {
        return Failure{kExitUsage, std::string("export: missing --") + option +
                                       " DIR (usage: export " +
                                       CommandSynopsis(ExportCommand()).toStdString() + ")"};
    }
    // From here on a signal stops the export cleanly, whatever it has written so far.
    const fileio::InterruptGuard interruptGuard;
    const Result<SessionScan> scan = ScanNamedSession(position->session, "export");
    if (!scan) {
        return scan.failure();
    }
    Export exporter(io, LocalPath(arguments.value(option)), arguments.isSet("force"), html);
    return exporter.run(*scan, position->frame);
}

}  // namespace

const Command& ExportCommand() {
    static const Command command{
        "export", {{"to", "DIR"}, {"html", "DIR"}, {"force"}}, 1, 1, RunExport};
    return command;
}

}  // namespace kelvista::replaycli
