#include <optional>
#include <string>

#include "BitmapReport.h"
#include "CaptionFile.h"
#include "Command.h"
#include "CommandArguments.h"
#include "Output.h"
#include "ReplayLayout.h"

namespace kelvista::replaycli {

namespace {

int RunFrame(const QStringList& arguments, CommandStreams io) {
    int exitCode = kExitSuccess;
    const std::optional<PngCommandArguments> parsed =
        ParsePngCommand(FrameCommand(), arguments, io, exitCode);
    if (!parsed) {
        return exitCode;
    }
    const QString& position = parsed->positional;
    int32_t session = 0;
    int32_t frame = 0;
    if (!ParseSessionFrame(position.toStdString(), session, frame)) {
        return io.fail(
            kExitUsage,
            "frame: '" + position.toStdString() +
                "' is not SESSION.FRAME (two whole numbers joined by a point, e.g. 3.7)");
    }

    const std::optional<std::string> composed = FrameBasePath(session, frame);
    if (!composed) {
        const std::string full =
            FullReplayPath(SessionRelativeFolder(session) + kPathSeparator + FrameName(frame));
        io.out << "path: " << full << "\n"
               << "present: no\n";
        return io.fail(kExitFailure, DisplayPath(full).toStdString() + ": path too long (" +
                                         std::to_string(full.size()) + " bytes, the viewer's " +
                                         std::to_string(kPathCapacity - 1) +
                                         " at most), the viewer finds no frame here");
    }
    const std::string& basePath = *composed;
    io.out << "path: " << basePath << "\n";
    const bool present = FrameIsPresent(basePath);
    io.out << "present: " << (present ? "yes" : "no") << "\n";
    if (!present) {
        return io.fail(kExitFailure, DisplayPath(basePath).toStdString() +
                                         ": no frame here (needs both .bmp and .htm)");
    }
    std::string caption;
    if (!ReadCaptionFile(basePath + ".htm", caption)) {
        return io.fail(kExitFailure,
                       DisplayPath(basePath).toStdString() + ".htm: cannot be opened");
    }
    // Control characters in a caption would break the one-line field.
    io.out << "caption: " << OneLineCaption(caption) << "\n";

    return ReportBitmap(basePath + ".bmp", parsed->png, io);
}

}  // namespace

const Command& FrameCommand() {
    static const Command command{
        "frame", "SESSION.FRAME [--png OUT]",
        "Finds a frame under the replay folder of the settings, as the viewer does, and loads it.",
        "Composes the frame's path from the InstallFolder setting as the viewer does\n"
        "(<InstallFolder>/replay/session<SESSION>/frame<FRAME, 3 digits at least>) and prints:\n"
        "  path: P       the frame's path without extension\n"
        "  present: yes|no  whether both P.bmp and P.htm exist (no when P is longer than the\n"
        "                   259 bytes the viewer's paths hold: the viewer finds no frame there)\n"
        "and for a present frame:\n"
        "  caption: C    the first line of P.htm, as UTF-8\n"
        "  status, size, depth   as 'decode' prints them for P.bmp\n"
        "SESSION and FRAME are whole numbers, negative ones too (e.g. 0.-1).\n"
        "\n"
        "Options:\n"
        "  --png OUT     also writes the loaded picture to OUT as an opaque PNG\n"
        "  -h, --help    shows this help\n"
        "\n"
        "Exit codes: 0 loaded, 1 absent or not readable (or OUT not written), 2 usage error.",
        RunFrame};
    return command;
}

}  // namespace kelvista::replaycli
