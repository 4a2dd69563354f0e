// decode FILE: loads a screenshot as the viewer does and says what it found.
#include <optional>

#include "cli/Command.h"
#include "cli/CommandArguments.h"
#include "cli/Output.h"
#include "commands/BitmapReport.h"

namespace kelvista::replaycli {

namespace {

Status RunDecode(const ParsedArguments& arguments, CommandStreams io) {
    const std::optional<PngRequest> png = PngRequestOf("decode", arguments);
    const PngInterruptGuard interruptGuard(png);
    return ReportBitmap(LocalPath(arguments.positionals().front()), png, ReportStreams(png, io));
}

}  // namespace

const Command& DecodeCommand() {
    static const Command command{"decode", kPngOptions, 1, 1, RunDecode};
    return command;
}

}  // namespace kelvista::replaycli
