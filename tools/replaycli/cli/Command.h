#pragma once

// A command of kelvista-replay: its name, the options and arguments it takes, and the function
// that runs it. The tool parses the arguments and answers --help for every command (Tool.h), so
// a command only ever sees arguments that parsed. Its help text is data (cli/help/<name>.txt).
//   const Command& DecodeCommand() {
//       static const Command command{"decode", {{"png", "OUT"}, {"force"}}, 1, 1, RunDecode};
//       return command;
//   }

#include <ostream>
#include <string>
#include <vector>

#include "cli/Failure.h"

namespace kelvista::replaycli {

class ParsedArguments;

// Where a command writes: results to `out`, lines about failures to `err`. The tool passes
// stdout and stderr; tests pass string streams.
struct CommandStreams {
    std::ostream& out;
    std::ostream& err;

    // Prints a failure's line now, "kelvista-replay: <message>", for one that does not end the
    // run (a frame an export could not write); nothing for an empty message. Names in the message
    // are quoted escaped (DisplayPath); control characters and bytes that are not UTF-8 left in it
    // are escaped as OneLineMessage does. Returns the failure's exit code.
    int report(const Failure& failure) const;
};

// An option: "--name", and the name of its value when it takes one.
struct OptionSpec {
    const char* name;
    const char* valueName = nullptr;
};

struct Command {
    const char* name;
    std::vector<OptionSpec> options;  // besides -h/--help
    int minArguments = 1;             // positional arguments
    int maxArguments = 1;
    // Runs with the parsed arguments; done means exit code 0.
    Status (*run)(const ParsedArguments& arguments, CommandStreams io);
};

const Command& DecodeCommand();
const Command& DiffCommand();
const Command& FrameCommand();
const Command& LsCommand();
const Command& CheckCommand();
const Command& ExportCommand();
const Command& SheetCommand();

}  // namespace kelvista::replaycli
