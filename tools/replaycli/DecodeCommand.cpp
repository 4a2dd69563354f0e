#include <optional>

#include "BitmapReport.h"
#include "Command.h"
#include "CommandArguments.h"
#include "Output.h"

namespace kelvista::replaycli {

namespace {

const QString kPngOption = QStringLiteral("png");

int RunDecode(const QStringList& arguments) {
    CommandArguments parsed(
        DecodeCommand(),
        {QCommandLineOption(kPngOption, QStringLiteral("Writes a PNG."), QStringLiteral("OUT"))},
        1);
    if (!parsed.parse(arguments)) {
        PrintError(parsed.errorText());
        return kExitUsage;
    }
    if (parsed.helpRequested()) {
        PrintText(CommandHelpText(DecodeCommand()));
        return kExitSuccess;
    }
    std::optional<QString> png;
    if (parsed.isSet(kPngOption)) {
        png = parsed.value(kPngOption);
    }
    return ReportBitmap(LocalPath(parsed.positionals().front()), png);
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
