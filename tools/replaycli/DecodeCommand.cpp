#include <optional>

#include "BitmapReport.h"
#include "Command.h"
#include "CommandArguments.h"
#include "InterruptSignals.h"
#include "Output.h"
#include "OutputTarget.h"

namespace kelvista::replaycli {

namespace {

int RunDecode(const QStringList& arguments, CommandStreams io) {
    int exitCode = kExitSuccess;
    const std::optional<PngCommandArguments> parsed =
        ParsePngCommand(DecodeCommand(), arguments, io, exitCode);
    if (!parsed) {
        return exitCode;
    }
    // A signal while OUT is written takes it back and stops the run cleanly.
    std::optional<fileio::InterruptGuard> interruptGuard;
    if (parsed->png) {
        interruptGuard.emplace();
    }
    // A PNG on standard output has it to itself: the report goes to stderr then.
    const std::optional<PngRequest> png = PngRequestOf("decode", *parsed);
    return ReportBitmap(
        LocalPath(parsed->positional), png,
        png && WritesToStandardOutput(png->path) ? CommandStreams{io.err, io.err} : io);
}

}  // namespace

const Command& DecodeCommand() {
    static const Command command{
        "decode", "FILE [--png OUT] [--force]",
        "Loads FILE as the viewer loads a frame's screenshot and prints what it found.",
        "Loads FILE as the viewer loads a frame's screenshot and prints:\n"
        "  status: N     the loader's code: 0 loaded, -1 not readable as a bitmap,\n"
        "                -2 a depth or compression the viewer cannot show, -3 no geometry\n"
        "  size: WxH     when loaded: width and height in pixels\n"
        "  depth: D      when loaded: the file's bits per pixel\n"
        "\n"
        "OUT is made beside it under a hidden name and moved into place once complete: nothing\n"
        "is left behind on a failure, nor when SIGINT, SIGTERM or SIGHUP stops the writing. OUT\n"
        "is never FILE itself, nor anywhere inside the replay folder (<InstallFolder>/replay), by\n"
        "whatever path or link it is named, not even with --force.\n"
        "\n"
        "Options:\n"
        "  --png OUT     also writes the loaded picture to OUT as an opaque PNG\n"
        "  --force       replaces OUT when it exists (a link named OUT is replaced itself, what "
        "it\n"
        "                points to is left alone); without it an existing OUT is refused\n"
        "  -h, --help    shows this help\n"
        "\n"
        "Exit codes: 0 loaded, 1 refused (or OUT not written: it exists without --force, it is\n"
        "FILE or inside the replay folder, it cannot be written), 2 usage error; 129, 130, 143\n"
        "stopped by SIGHUP, SIGINT, SIGTERM while writing OUT, nothing written.",
        RunDecode};
    return command;
}

}  // namespace kelvista::replaycli
