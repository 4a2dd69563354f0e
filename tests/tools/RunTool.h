#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <QStringList>

#include "Tool.h"

namespace kelvista::test {

// One in-process run of kelvista-replay with its output captured.
struct ToolRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs the tool as its executable would with these arguments (those after the program's name).
inline ToolRun RunInProcess(const QStringList& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    ToolRun run;
    run.code = replaycli::RunTool(arguments, {out, err});
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

}  // namespace kelvista::test
