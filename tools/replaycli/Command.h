#pragma once

#include <vector>

#include <QStringList>

namespace kelvista::replaycli {

// Exit codes shared by every command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // absent, unreadable, refused or unwritable
inline constexpr int kExitUsage = 2;    // unknown command or option, missing or extra argument

// One command of the tool. A new command is one file defining its Command, plus its line in
// Commands().
struct Command {
    const char* name;
    const char* synopsis;  // the arguments, as shown after the name
    const char* summary;   // one line for the overview
    const char* details;   // the command's own help: what it prints, its options
    // Runs with the arguments after the command's name; returns the exit code.
    int (*run)(const QStringList& arguments);
};

// Every command, in the order the help lists them.
const std::vector<Command>& Commands();

const Command& DecodeCommand();
const Command& FrameCommand();

}  // namespace kelvista::replaycli
