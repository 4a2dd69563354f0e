#include <iostream>
#include <optional>
#include <string>

#include "BitmapReport.h"
#include "CaptionFile.h"
#include "Command.h"
#include "CommandStreams.h"
#include "Output.h"
#include "ReplayLayout.h"
#include "SessionFrame.h"
#include "SessionWork.h"

namespace kelvista::replaycli {

namespace {

int RunFrame(const QStringList& arguments) {
    int exitCode = kExitSuccess;
    const std::optional<PngCommandArguments> parsed =
        ParsePngCommand(FrameCommand(), arguments, {std::cout, std::cerr}, exitCode);
    if (!parsed) {
        return exitCode;
    }
    const QString& position = parsed->positional;
    int32_t session = 0;
    int32_t frame = 0;
    if (!ParseSessionFrame(position.toStdString(), session, frame)) {
        return Complain(
            {std::cout, std::cerr}, FrameCommand(),
            "'" + position.toStdString() +
                "' is not SESSION.FRAME (two whole numbers joined by a point, e.g. 3.7)",
            kExitUsage);
    }

    const std::string basePath = FrameBasePath(session, frame);
    PrintField("path", basePath);
    const bool present = FrameIsPresent(basePath);
    PrintField("present", present ? "yes" : "no");
    if (!present) {
        PrintError(std::cerr, DisplayPath(basePath).toStdString() +
                                  ": no frame here (needs both .bmp and .htm)");
        return kExitFailure;
    }
    std::string caption;
    if (!ReadCaptionFile(basePath + ".htm", caption)) {
        PrintError(std::cerr, DisplayPath(basePath).toStdString() + ".htm: cannot be opened");
        return kExitFailure;
    }
    // Control characters in a caption would break the one-line field.
    PrintField("caption", OneLineCaption(caption));

    return ReportBitmap(basePath + ".bmp", parsed->png);
}

}  // namespace

const Command& FrameCommand() {
    static const Command command{
        "frame", "SESSION.FRAME [--png OUT]",
        "Finds a frame under the replay folder of the settings, as the viewer does, and loads it.",
        "Composes the frame's path from the InstallFolder setting as the viewer does\n"
        "(<InstallFolder>/replay/session<SESSION>/frame<FRAME, 3 digits at least>) and prints:\n"
        "  path: P       the frame's path without extension\n"
        "  present: yes|no  whether both P.bmp and P.htm exist\n"
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
