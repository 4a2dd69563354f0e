#pragma once

// One run of kelvista-replay, as main() and the in-process tests start it: the tool's own
// options (--help, --version), then a command and its arguments. It parses the command's
// arguments, answers --help, reads the settings once for the whole run (SettingsStore.h), runs
// the command, prints the Failure it ends with, and makes a run whose output could not be
// written fail.

#include <vector>

#include <QStringList>

#include "cli/Command.h"

namespace kelvista::replaycli {

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();

// Returns the exit code.
int RunTool(const QStringList& arguments, CommandStreams io);

}  // namespace kelvista::replaycli
