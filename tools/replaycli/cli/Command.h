#pragma once

#include <ostream>
#include <string>

#include <QStringList>

namespace kelvista::replaycli {

// Exit codes shared by every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // absent, unreadable, refused or unwritable
inline constexpr int kExitUsage = 2;    // unknown command or option, missing or extra argument

// Where a command writes: results to `out`, the one line of a failure to `err`. The tool passes
// stdout and stderr; tests pass string streams.
struct CommandStreams {
    std::ostream& out;
    std::ostream& err;

    // The one way a command reports an error: "kelvista-replay: <message>" as one line on `err`.
    // Names in `message` are quoted escaped (DisplayPath); control characters and bytes that are
    // not UTF-8 left in it are escaped as OneLineMessage does. Returns `exitCode`.
    int fail(int exitCode, std::string message) const;
};

// One command of the tool. A new command is one file defining its Command, plus its line in
// Commands() (Tool.cpp).
struct Command {
    const char* name;
    const char* synopsis;  // the arguments, as shown after the name
    const char* summary;   // one line for the overview
    const char* details;   // the command's own help: what it prints, its options
    // Runs with the arguments after the command's name; returns the exit code.
    int (*run)(const QStringList& arguments, CommandStreams io);
};

const Command& DecodeCommand();
const Command& FrameCommand();
const Command& LsCommand();
const Command& CheckCommand();
const Command& ExportCommand();
const Command& SheetCommand();

}  // namespace kelvista::replaycli
