#pragma once

#include <string>

namespace kelvista::test {

// A file's bytes, empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Writes `bytes` as the whole file at `path`, replacing what was there.
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace kelvista::test
