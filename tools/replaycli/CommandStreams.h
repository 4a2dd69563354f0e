#pragma once

#include <optional>
#include <ostream>
#include <string>

#include <QStringList>

#include "Command.h"
#include "CommandArguments.h"

namespace kelvista::replaycli {

// Where a command writes: results to `out`, the one line of a failure to `err`. The tool passes
// stdout and stderr; tests pass string streams.
struct CommandStreams {
    std::ostream& out;
    std::ostream& err;
};

// Parses `arguments` (those after the command's name). Returns the exit code to stop with: 0
// after printing the command's help for --help, 2 after one line on `err` for a usage error;
// nullopt when the command should go on.
std::optional<int> ParseOrStop(CommandArguments& parsed, const Command& command,
                               const QStringList& arguments, CommandStreams io);

// The arguments of a command that takes one positional argument and "--png OUT".
struct PngCommandArguments {
    QString positional;
    std::optional<QString> png;  // OUT, when --png was given
};

// Parses them as ParseOrStop does: nullopt when the command should stop, with `exitCode` set.
std::optional<PngCommandArguments> ParsePngCommand(const Command& command,
                                                   const QStringList& arguments, CommandStreams io,
                                                   int& exitCode);

// One line "kelvista-replay: <command>: <message>" on `err`; returns `code`.
int Complain(CommandStreams io, const Command& command, const std::string& message, int code);

}  // namespace kelvista::replaycli
