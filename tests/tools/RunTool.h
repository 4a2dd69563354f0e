#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <QStringList>

#include "cli/Tool.h"

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

// The bytes a name printed by the tool stands for, read by the rule its help gives: "\\", "\t",
// "\n", "\r" and "\xhh" are one byte each, everything else stands for itself.
inline std::string UnescapedName(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        switch (const char code = text[++i]) {
            case 't':
                bytes += '\t';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 'x':
                bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
                break;
            default:
                bytes += code;  // "\\" and anything the rule does not name
                break;
        }
    }
    return bytes;
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
