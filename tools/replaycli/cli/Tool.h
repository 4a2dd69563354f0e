#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "cli/Command.h"

namespace kelvista::replaycli {

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();

// The overview of all commands, for --help.
QString ToolHelpText();

// One run of kelvista-replay with the arguments after the program's name: the tool's own options
// (--help, --version), then a command and its arguments. Returns the exit code.
int RunTool(const QStringList& arguments, CommandStreams io);

}  // namespace kelvista::replaycli
