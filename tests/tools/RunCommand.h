#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <QStringList>

#include "CommandStreams.h"

namespace kelvista::testing {

// One run of a command with its output captured.
struct CommandRun {
    int code = -1;
    std::string out;
    std::string err;
};

template <typename Command>
CommandRun RunCommand(Command command, const QStringList& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    CommandRun run;
    run.code = command(arguments, replaycli::CommandStreams{out, err});
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace kelvista::testing
