#pragma once

#include <QStringList>

#include "Command.h"
#include "CommandStreams.h"

namespace kelvista::replaycli {

// The commands that look at a whole recording.
const Command& LsCommand();
const Command& CheckCommand();
const Command& ExportCommand();
const Command& SheetCommand();

// The same commands writing to the given streams; `arguments` are those after the command's name.
int RunLs(const QStringList& arguments, CommandStreams io);
int RunCheck(const QStringList& arguments, CommandStreams io);
int RunExport(const QStringList& arguments, CommandStreams io);
int RunSheet(const QStringList& arguments, CommandStreams io);

}  // namespace kelvista::replaycli
