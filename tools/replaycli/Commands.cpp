#include "Command.h"

namespace kelvista::replaycli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {DecodeCommand(), FrameCommand()};
    return commands;
}

}  // namespace kelvista::replaycli
