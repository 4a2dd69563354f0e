#include "Command.h"
#include "RecordingCommands.h"

namespace kelvista::replaycli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {DecodeCommand(), FrameCommand(),  LsCommand(),
                                                  CheckCommand(),  ExportCommand(), SheetCommand()};
    return commands;
}

}  // namespace kelvista::replaycli
