// frame SESSION.FRAME: finds a frame as the viewer does, and reads it as the viewer does.
#include <optional>
#include <string>

#include "CaptionFile.h"
#include "MissingReplayFolder.h"
#include "ReplayFrame.h"
#include "ReplayLayout.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/Output.h"
#include "cli/PathText.h"
#include "commands/BitmapReport.h"
#include "commands/SessionArguments.h"

namespace kelvista::replaycli {

namespace {

// Without a replay folder, why there is none is what the user needs to know.
Failure NotThere(std::string message) {
    if (const std::optional<std::string> noFolder = ReplayFolderProblem()) {
        message += "; " + EscapedName(*noFolder);
    }
    return {kExitFailure, std::move(message)};
}

Status ShowFrame(const ParsedArguments& arguments, const std::optional<PngRequest>& png,
                 CommandStreams io) {
    const Result<Position> position =
        ParseSessionFrameArgument(arguments.positionals().front(), "frame");
    if (!position) {
        return position.failure();
    }
    const int32_t session = position->session;
    const int32_t frame = *position->frame;
    const std::optional<std::string> composed = FrameBasePath(session, frame);
    if (!composed) {
        const std::string full =
            FullReplayPath(SessionRelativeFolder(session) + kPathSeparator + FrameName(frame));
        io.out << "path: " << DisplayPath(full).toStdString() << "\n"
               << "present: no\n";
        return NotThere(DisplayPath(full).toStdString() + ": path too long (" +
                        std::to_string(full.size()) + " bytes, the viewer's " +
                        std::to_string(kPathCapacity - 1) +
                        " at most), the viewer finds no frame here");
    }
    const std::string& basePath = *composed;
    io.out << "path: " << DisplayPath(basePath).toStdString() << "\n";
    const bool present = FindFrame(session, frame).has_value();
    io.out << "present: " << (present ? "yes" : "no") << "\n";
    if (!present) {
        return NotThere(DisplayPath(basePath).toStdString() +
                        ": no frame here (needs both .bmp and .htm)");
    }
    const PngInterruptGuard interruptGuard(png);
    BitmapHandle bitmap;
    DibSection dib;
    const FrameContent content = ReadFrame(basePath, bitmap, dib);
    if (content.outcome == FrameContent::Outcome::CaptionUnreadable) {
        return Failure{kExitFailure,
                       DisplayPath(basePath).toStdString() + ".htm: cannot be opened"};
    }
    // Control characters in a caption would break the one-line field.
    io.out << "caption: " << OneLineCaption(content.caption) << "\n";
    return ReportLoadedBitmap(basePath + ".bmp", content.loaderCode,
                              bitmap ? bitmap.get() : content.refused.get(), dib, png, io);
}

Status RunFrame(const ParsedArguments& arguments, CommandStreams io) {
    const std::optional<PngRequest> png = PngRequestOf("frame", arguments);
    return ShowFrame(arguments, png, ReportStreams(png, io));
}

}  // namespace

const Command& FrameCommand() {
    static const Command command{"frame", kPngOptions, 1, 1, RunFrame};
    return command;
}

}  // namespace kelvista::replaycli
