#include <optional>

#include "BitmapReport.h"
#include "Command.h"
#include "CommandArguments.h"
#include "Output.h"

namespace kelvista::replaycli {

namespace {

int RunDecode(const QStringList& arguments, CommandStreams io) {
    int exitCode = kExitSuccess;
    const std::optional<PngCommandArguments> parsed =
        ParsePngCommand(DecodeCommand(), arguments, io, exitCode);
    if (!parsed) {
        return exitCode;
    }
    return ReportBitmap(LocalPath(parsed->positional), parsed->png, io);
}

}  // namespace

const Command& DecodeCommand() {
    static const Command command{
        "decode", "FILE [--png OUT]",
        "Loads FILE as the viewer loads a frame's screenshot and prints what it found.",
        "Loads FILE as the viewer loads a frame's screenshot and prints:\n"
        "  status: N     the loader's code: 0 loaded, -1 not readable as a bitmap,\n"
        "                -2 a depth or compression the viewer cannot show, -3 no geometry\n"
        "  size: WxH     when loaded: width and height in pixels\n"
        "  depth: D      when loaded: the file's bits per pixel\n"
        "\n"
        "Options:\n"
        "  --png OUT     also writes the loaded picture to OUT as an opaque PNG\n"
        "  -h, --help    shows this help\n"
        "\n"
        "Exit codes: 0 loaded, 1 refused (or OUT not written), 2 usage error.",
        RunDecode};
    return command;
}

}  // namespace kelvista::replaycli
