#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kelvista::bench {

struct ChildResult {
    bool started = false;
    int exitCode = -1;   // -1 when it did not exit normally
    std::string output;  // everything it wrote to its standard output
};

// Runs `program` with `arguments` and the current environment plus `environment` (name, value),
// waits for it and collects its standard output.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const std::vector<std::pair<std::string, std::string>>& environment);

// The path of the running program, to start it again in a child mode.
std::string OwnExecutable();

// The value after "key " on the first line of `output` that starts with it, or "" if none.
std::string OutputField(const std::string& output, const std::string& key);

}  // namespace kelvista::bench
