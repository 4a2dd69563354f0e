#pragma once

// The tool's help texts. They are data: cli/help/<command>.txt holds a command's synopsis (the
// arguments after its name) on its first line, its one-line summary on the second, then a blank
// line and the text of its --help. A line "{{name}}" stands for the lines of cli/help/name.txt,
// for a paragraph that several commands share. cli/help/tool.txt is the overview; there
// {{commands}} stands for the list of commands, {{setting}} for the root folder's setting and
// {{settings-file}} for where the settings are read from.

#include <vector>

#include <QString>

#include "cli/Command.h"

namespace kelvista::replaycli {

// "FILE [--png OUT] [--force]"
QString CommandSynopsis(const Command& command);
// "Usage: kelvista-replay NAME SYNOPSIS", a blank line and the command's text.
QString CommandHelpText(const Command& command);
// The overview, for kelvista-replay --help.
QString ToolHelpText(const std::vector<Command>& commands);

}  // namespace kelvista::replaycli
