#include <string>
#include <vector>

#include <QImage>

#include "Command.h"
#include "CommandArguments.h"
#include "ContactSheet.h"
#include "DecimalNumber.h"
#include "FrameImage.h"
#include "FrameReport.h"
#include "InterruptSignals.h"
#include "Output.h"
#include "OutputTarget.h"
#include "PngOutput.h"
#include "ReplayLayout.h"
#include "ReplayScan.h"

namespace kelvista::replaycli {

namespace {

const QString kToOption = QStringLiteral("to");
const QString kColumnsOption = QStringLiteral("columns");
const QString kWidthOption = QStringLiteral("width");
const QString kForceOption = QStringLiteral("force");

const char kDetails[] =
    "Draws every frame found in the session's folder, in frame order, as a grid of thumbnails\n"
    "(aspect kept, smooth downscaling, never enlarged), each labelled with its position as the\n"
    "viewer's title shows it and the start of its caption:\n"
    "  [3.007] Hand 12, river ca...\n"
    "A frame the viewer cannot show (a file missing or unreadable, a screenshot the loader\n"
    "refuses) is drawn as a crossed grey placeholder that says why. The thumbnail boxes take\n"
    "the shape of the session's first frame that can be shown. The same session and options\n"
    "always give the same picture. Frames are decoded and scaled in parallel; a progress bar is\n"
    "drawn on stderr when it is a terminal and the work takes a while.\n"
    "\n"
    "FILE is made in a hidden folder beside it (.kelvista-replay-sheet-XXXXXX) and moved into\n"
    "place once complete: nothing is left behind on a failure (a full disk, a file-size limit),\n"
    "nor when SIGINT, SIGTERM or SIGHUP stops the run. FILE may not lie inside the replay folder\n"
    "(<InstallFolder>/replay), by whatever path or link it is named.\n"
    "\n"
    "Options:\n"
    "  --to FILE.png   where to write the sheet (required)\n"
    "  --columns N     thumbnails per row, 1 to 100 (default 6)\n"
    "  --width PX      width of the sheet in pixels, 100 to 20000 (default 1600)\n"
    "  --force         replaces FILE when it exists (a link named FILE is replaced itself, what\n"
    "                  it points to is left alone); without it the sheet is refused\n"
    "  -h, --help      shows this help\n"
    "\n"
    "Exit codes: 0 written; 1 FILE exists (no --force), cannot be written or replaced, or lies\n"
    "inside the replay folder, the sheet would be larger than 1 GiB, no replay folder or no such\n"
    "session; 2 usage error (no --to, bad --columns or --width); 129, 130, 143 stopped by\n"
    "SIGHUP, SIGINT, SIGTERM, nothing written.\n"
    "\n"
    "Examples:\n"
    "  kelvista-replay sheet 3 --to session3.png\n"
    "  kelvista-replay sheet 3 --to wide.png --columns 10 --width 3000 --force";

struct SheetCell {
    FrameReport report;
    QImage thumbnail;
};

// The thumbnail boxes take the shape of the first frame the viewer would show.
double FirstPictureAspect(const SessionScan& scan) {
    double aspect = 0.0;
    for (const FrameEntry& entry : scan.frames) {
        InspectOptions options;
        options.readCaption = false;
        const FrameReport report = InspectFrame(scan.session, entry, options);
        if (report.viewable() && report.width > 0) {
            return static_cast<double>(report.height) / report.width;
        }
    }
    return aspect;
}

QString PlaceholderText(const FrameReport& report) {
    const FrameStatus status = StatusOf(report);
    QString text = QString::fromLatin1(StatusName(status));
    if (status == FrameStatus::BadScreenshot) {
        text += "\n" + QString::fromStdString(ScreenshotProblem(report));
    }
    return text;
}

QString LabelText(const FrameReport& report) {
    QString label = QString::fromStdString(PositionText(report.session, report.frame));
    const std::string caption = OneLineCaption(report.caption);
    if (!caption.empty()) {
        label += " " + QString::fromStdString(caption);
    }
    return label;
}

int DrawSheet(const SessionScan& scan, const SheetLayout& layout, SingleFileOutput& output,
              const std::string& path, CommandStreams io) {
    SheetPainter painter(layout);
    const std::vector<SessionScan> scans{scan};
    const std::vector<FrameItem> items = FrameItems(scans);
    size_t shown = 0;
    const QSize box = layout.thumbnailBox(0).size();
    Progress progress("sheet", items.size());
    ForEachOrdered(
        items,
        [box](const FrameItem& item) {
            SheetCell cell;
            InspectOptions options;
            options.usePicture = [&](const FrameReport& report, const DibSection& dib) {
                if (report.present()) {
                    cell.thumbnail = Thumbnail(FrameImage(dib), box);
                }
            };
            cell.report = InspectFrame(item.session, *item.entry, options);
            return cell;
        },
        [&](size_t index, SheetCell&& cell) {
            if (cell.report.viewable() && !cell.thumbnail.isNull()) {
                painter.drawThumbnail(index, cell.thumbnail);
                ++shown;
            } else {
                painter.drawPlaceholder(index, PlaceholderText(cell.report));
            }
            painter.drawLabel(index, LabelText(cell.report));
            progress.advance();
        },
        [] { return fileio::InterruptRequested(); });
    progress.finish();
    if (fileio::InterruptRequested()) {
        return FailInterrupted(io, "sheet");
    }
    painter.drawHeader(QStringLiteral("session %1: %2 frames, %3 shown")
                           .arg(scan.session)
                           .arg(items.size())
                           .arg(shown));
    std::string error;
    const QImage& sheet = painter.image();
    switch (output.write(
        [&sheet](int fd, std::string& reason) { return WritePng(fd, sheet, reason); }, error)) {
        case SingleFileOutput::Outcome::Written:
            break;
        case SingleFileOutput::Outcome::Interrupted:
            return FailInterrupted(io, "sheet");
        case SingleFileOutput::Outcome::Failed:
            return io.fail(kExitFailure, error);
    }
    io.out << "wrote " << DisplayPath(path).toStdString() << " (" << layout.width << "x"
           << layout.height << ", " << items.size() << (items.size() == 1 ? " frame" : " frames")
           << ")\n";
    io.out.flush();
    return kExitSuccess;
}

std::optional<int> IntOption(const CommandArguments& parsed, const QString& option, int fallback,
                             CommandStreams io, int& exitCode) {
    if (!parsed.isSet(option)) {
        return fallback;
    }
    int32_t value = 0;
    if (!ParseDecimalInt32(parsed.value(option).toStdString(), value)) {
        exitCode =
            io.fail(kExitUsage, "sheet: --" + option.toStdString() + " takes a number, not '" +
                                    parsed.value(option).toStdString() + "'");
        return std::nullopt;
    }
    return value;
}

int RunSheet(const QStringList& arguments, CommandStreams io) {
    CommandArguments parsed(
        SheetCommand(),
        {QCommandLineOption(kToOption, QStringLiteral("The sheet."), QStringLiteral("FILE")),
         QCommandLineOption(kColumnsOption, QStringLiteral("Columns."), QStringLiteral("N")),
         QCommandLineOption(kWidthOption, QStringLiteral("Width."), QStringLiteral("PX")),
         QCommandLineOption(kForceOption, QStringLiteral("Replaces FILE."))},
        1);
    if (const std::optional<int> stop = parsed.parseOrStop(arguments, io)) {
        return *stop;
    }
    int exitCode = kExitSuccess;
    const std::optional<int> columns =
        IntOption(parsed, kColumnsOption, kSheetDefaultColumns, io, exitCode);
    const std::optional<int> width =
        columns ? IntOption(parsed, kWidthOption, kSheetDefaultWidth, io, exitCode) : std::nullopt;
    if (!columns || !width) {
        return exitCode;
    }
    if (!parsed.isSet(kToOption) || parsed.value(kToOption).isEmpty()) {
        return io.fail(kExitUsage, "sheet: missing --to FILE.png (usage: sheet " +
                                       std::string(SheetCommand().synopsis) + ")");
    }
    std::string error;
    if (!LayOutSheet(0, *columns, *width, 1.0, 10, error)) {
        return io.fail(kExitUsage, "sheet: " + error);
    }
    // From here on a signal stops the sheet cleanly, whatever it has written so far.
    const fileio::InterruptGuard interruptGuard;
    const std::string path = LocalPath(parsed.value(kToOption));
    std::optional<SingleFileOutput> output =
        SingleFileOutput::Prepare({"sheet", path, parsed.isSet(kForceOption), std::nullopt}, error);
    if (!output) {
        return io.fail(kExitFailure, error);
    }
    const std::optional<SessionScan> scan =
        ScanNamedSession(parsed.positionals().first(), "sheet", io, exitCode);
    if (!scan) {
        return exitCode;
    }
    const std::optional<SheetLayout> layout =
        LayOutSheet(scan->frames.size(), *columns, *width, FirstPictureAspect(*scan),
                    SheetPainter::LabelLineHeight(), error);
    if (!layout) {
        return io.fail(kExitFailure, "sheet: " + error);
    }
    return DrawSheet(*scan, *layout, *output, path, io);
}

}  // namespace

const Command& SheetCommand() {
    static const Command command{
        "sheet", "SESSION --to FILE.png [--columns N] [--width PX] [--force]",
        "Draws a contact sheet of a session: labelled thumbnails, placeholders for broken frames.",
        kDetails, RunSheet};
    return command;
}

}  // namespace kelvista::replaycli
