#include <optional>
#include <string>

#include "BitmapReport.h"
#include "CaptionFile.h"
#include "Command.h"
#include "CommandArguments.h"
#include "InterruptSignals.h"
#include "MissingReplayFolder.h"
#include "Output.h"
#include "OutputTarget.h"
#include "PathText.h"
#include "ReplayLayout.h"

namespace kelvista::replaycli {

namespace {

int ShowFrame(const std::optional<PngCommandArguments>& parsed, CommandStreams io);

int RunFrame(const QStringList& arguments, CommandStreams io) {
    int exitCode = kExitSuccess;
    const std::optional<PngCommandArguments> parsed =
        ParsePngCommand(FrameCommand(), arguments, io, exitCode);
    if (!parsed) {
        return exitCode;
    }
    // A PNG on standard output has it to itself: the report goes to stderr then.
    const std::optional<PngRequest> png = PngRequestOf("frame", *parsed);
    return ShowFrame(
        parsed, png && WritesToStandardOutput(png->path) ? CommandStreams{io.err, io.err} : io);
}

int ShowFrame(const std::optional<PngCommandArguments>& parsed, CommandStreams io) {
    const QString& position = parsed->positional;
    int32_t session = 0;
    int32_t frame = 0;
    if (!ParseSessionFrame(position.toStdString(), session, frame)) {
        return io.fail(
            kExitUsage,
            "frame: '" + DisplayPath(position).toStdString() +
                "' is not SESSION.FRAME (two whole numbers joined by a point, e.g. 3.7)");
    }

    // Without a replay folder, why there is none is what the user needs to know.
    const auto withCause = [](std::string message) {
        if (const std::optional<std::string> noFolder = ReplayFolderProblem()) {
            message += "; " + EscapedName(*noFolder);
        }
        return message;
    };
    const std::optional<std::string> composed = FrameBasePath(session, frame);
    if (!composed) {
        const std::string full =
            FullReplayPath(SessionRelativeFolder(session) + kPathSeparator + FrameName(frame));
        io.out << "path: " << DisplayPath(full).toStdString() << "\n"
               << "present: no\n";
        return io.fail(kExitFailure,
                       withCause(DisplayPath(full).toStdString() + ": path too long (" +
                                 std::to_string(full.size()) + " bytes, the viewer's " +
                                 std::to_string(kPathCapacity - 1) +
                                 " at most), the viewer finds no frame here"));
    }
    const std::string& basePath = *composed;
    io.out << "path: " << DisplayPath(basePath).toStdString() << "\n";
    const bool present = FrameIsPresent(basePath);
    io.out << "present: " << (present ? "yes" : "no") << "\n";
    if (!present) {
        return io.fail(kExitFailure, withCause(DisplayPath(basePath).toStdString() +
                                               ": no frame here (needs both .bmp and .htm)"));
    }
    std::string caption;
    if (!ReadCaptionFile(basePath + ".htm", caption)) {
        return io.fail(kExitFailure,
                       DisplayPath(basePath).toStdString() + ".htm: cannot be opened");
    }
    // Control characters in a caption would break the one-line field.
    io.out << "caption: " << OneLineCaption(caption) << "\n";

    // A signal while OUT is written takes it back and stops the run cleanly.
    std::optional<fileio::InterruptGuard> interruptGuard;
    if (parsed->png) {
        interruptGuard.emplace();
    }
    return ReportBitmap(basePath + ".bmp", PngRequestOf("frame", *parsed), io);
}

}  // namespace

const Command& FrameCommand() {
    static const Command command{
        "frame", "SESSION.FRAME [--png OUT] [--force]",
        "Finds a frame under the replay folder of the settings, as the viewer does, and loads it.",
        "Composes the frame's path from the InstallFolder setting as the viewer does\n"
        "(<InstallFolder>/replay/session<SESSION>/frame<FRAME, 3 digits at least>) and prints:\n"
        "  path: P       the frame's path without extension (escaped as 'kelvista-replay\n"
        "                check --help' explains)\n"
        "  present: yes|no  whether both P.bmp and P.htm exist (no when P is longer than the\n"
        "                   259 bytes the viewer's paths hold: the viewer finds no frame there)\n"
        "and for a present frame:\n"
        "  caption: C    the first line of P.htm, as UTF-8\n"
        "  status, size, depth   as 'decode' prints them for P.bmp\n"
        "SESSION and FRAME are whole numbers, negative ones too (e.g. 0.-1).\n"
        "\n"
        "OUT is made beside it under a hidden name and moved into place once complete: nothing\n"
        "is left behind on a failure, nor when SIGINT, SIGTERM or SIGHUP stops the writing. OUT\n"
        "is never the frame's own screenshot, nor anywhere inside the replay folder\n"
        "(<InstallFolder>/replay), by whatever path or link it is named, not even with --force.\n"
        "\n"
        "Options:\n"
        "  --png OUT     also writes the loaded picture to OUT as an opaque PNG\n"
        "  --force       replaces OUT when it exists (a link named OUT is replaced itself, what "
        "it\n"
        "                points to is left alone); without it an existing OUT is refused\n"
        "  -h, --help    shows this help\n"
        "\n"
        "Exit codes: 0 loaded, 1 absent or not readable (or OUT not written: it exists without\n"
        "--force, it is inside the replay folder, it cannot be written), 2 usage error; 129, 130,\n"
        "143 stopped by SIGHUP, SIGINT, SIGTERM while writing OUT, nothing written.",
        RunFrame};
    return command;
}

}  // namespace kelvista::replaycli
