// sheet SESSION: a contact sheet of the session's frames.
#include <string>
#include <vector>

#include <QImage>

#include "DecimalNumber.h"
#include "FrameImage.h"
#include "InterruptSignals.h"
#include "ReplayLayout.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/HelpText.h"
#include "cli/Output.h"
#include "commands/OutputTarget.h"
#include "commands/SessionArguments.h"
#include "inspect/FrameReport.h"
#include "inspect/ReplayScan.h"
#include "render/ContactSheet.h"
#include "render/PngOutput.h"

namespace kelvista::replaycli {

namespace {

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

Status DrawSheet(const SessionScan& scan, const SheetLayout& layout, SingleFileOutput& output,
                 const std::string& path, CommandStreams io) {
    SheetPainter painter(layout);
    if (painter.image().isNull()) {
        return OutOfMemory("sheet");
    }
    const std::vector<FrameEntry>& items = scan.frames;
    const int32_t session = scan.session;
    size_t shown = 0;
    bool outOfMemory = false;
    const QSize box = layout.thumbnailBox(0).size();
    Progress progress("sheet", items.size());
    ForEachOrdered(
        items,
        [box, session](const FrameEntry& entry) {
            SheetCell cell;
            InspectOptions options;
            options.usePicture = [&](const FrameReport& report, const DibSection& dib) {
                if (report.present()) {
                    cell.thumbnail = Thumbnail(FrameImage(dib), box);
                }
            };
            cell.report = InspectFrame(session, entry, options);
            return cell;
        },
        [&](size_t index, SheetCell&& cell) {
            // A picture that could not be had, or not be scaled, for want of memory is no
            // broken frame: the sheet fails instead.
            if (cell.report.outOfMemory || (cell.report.viewable() && cell.thumbnail.isNull())) {
                outOfMemory = true;
                return false;
            }
            if (cell.report.viewable() && !cell.thumbnail.isNull()) {
                painter.drawThumbnail(index, cell.thumbnail);
                ++shown;
            } else {
                painter.drawPlaceholder(index, PlaceholderText(cell.report));
            }
            painter.drawLabel(index, LabelText(cell.report));
            progress.advance();
            return true;
        },
        [] { return fileio::InterruptRequested(); });
    progress.finish();
    if (fileio::InterruptRequested()) {
        return InterruptedFailure("sheet");
    }
    if (outOfMemory) {
        return OutOfMemory("sheet");
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
            return InterruptedFailure("sheet");
        case SingleFileOutput::Outcome::Failed:
            return Failure{kExitFailure, error};
    }
    io.out << "wrote " << DisplayPath(path).toStdString() << " (" << layout.width << "x"
           << layout.height << ", " << items.size() << (items.size() == 1 ? " frame" : " frames")
           << ")\n";
    io.out.flush();
    return {};
}

Result<int> IntOption(const ParsedArguments& arguments, const char* option, int fallback) {
    if (!arguments.isSet(option)) {
        return fallback;
    }
    int32_t value = 0;
    if (!ParseDecimalInt32(arguments.value(option).toStdString(), value)) {
        return Failure{kExitUsage, std::string("sheet: --") + option + " takes a number, not '" +
                                       arguments.value(option).toStdString() + "'"};
    }
    return value;
}

Status RunSheet(const ParsedArguments& arguments, CommandStreams io) {
    const Result<int> columns = IntOption(arguments, "columns", kSheetDefaultColumns);
    if (!columns) {
        return columns.failure();
    }
    const Result<int> width = IntOption(arguments, "width", kSheetDefaultWidth);
    if (!width) {
        return width.failure();
    }
    if (!arguments.isSet("to") || arguments.value("to").isEmpty()) {
        return Failure{kExitUsage, "sheet: missing --to FILE.png (usage: sheet " +
                                       CommandSynopsis(SheetCommand()).toStdString() + ")"};
    }
    std::string error;
    if (!LayOutSheet(0, *columns, *width, 1.0, 10, error)) {
        return Failure{kExitUsage, "sheet: " + error};
    }
    // From here on a signal stops the sheet cleanly, whatever it has written so far.
    const fileio::InterruptGuard interruptGuard;
    const std::string path = LocalPath(arguments.value("to"));
    std::optional<SingleFileOutput> output =
        SingleFileOutput::Prepare({"sheet", path, arguments.isSet("force"), std::nullopt}, error);
    if (!output) {
        return Failure{kExitFailure, error};
    }
    const Result<int32_t> session = ParseSessionArgument(arguments.positionals().first(), "sheet");
    if (!session) {
        return session.failure();
    }
    const Result<SessionScan> scan = ScanNamedSession(*session, "sheet");
    if (!scan) {
        return scan.failure();
    }
    const std::optional<SheetLayout> layout =
        LayOutSheet(scan->frames.size(), *columns, *width, FirstPictureAspect(*scan),
                    SheetPainter::LabelLineHeight(), error);
    if (!layout) {
        return Failure{kExitFailure, "sheet: " + error};
    }
    return DrawSheet(*scan, *layout, *output, path, io);
}

}  // namespace

const Command& SheetCommand() {
    static const Command command{
        "sheet", {{"to", "FILE"}, {"columns", "N"}, {"width", "PX"}, {"force"}}, 1, 1, RunSheet};
    return command;
}

}  // namespace kelvista::replaycli
