#include "CommandStreams.h"

#include "Output.h"

namespace kelvista::replaycli {

std::optional<int> ParseOrStop(CommandArguments& parsed, const Command& command,
                               const QStringList& arguments, CommandStreams io) {
    if (!parsed.parse(arguments)) {
        PrintError(io.err, parsed.errorText().toStdString());
        return kExitUsage;
    }
    if (parsed.helpRequested()) {
        io.out << CommandHelpText(command).toStdString();
        io.out.flush();
        return kExitSuccess;
    }
    return std::nullopt;
}

std::optional<PngCommandArguments> ParsePngCommand(const Command& command,
                                                   const QStringList& arguments, CommandStreams io,
                                                   int& exitCode) {
    const QString pngOption = QStringLiteral("png");
    CommandArguments parsed(
        command,
        {QCommandLineOption(pngOption, QStringLiteral("Writes a PNG."), QStringLiteral("OUT"))}, 1);
    if (const std::optional<int> stop = ParseOrStop(parsed, command, arguments, io)) {
        exitCode = *stop;
        return std::nullopt;
    }
    PngCommandArguments result{parsed.positionals().front(), std::nullopt};
    if (parsed.isSet(pngOption)) {
        result.png = parsed.value(pngOption);
    }
    return result;
}

int Complain(CommandStreams io, const Command& command, const std::string& message, int code) {
    PrintError(io.err, command.name + (": " + message));
    return code;
}

}  // namespace kelvista::replaycli
