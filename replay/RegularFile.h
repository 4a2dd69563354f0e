#pragma once

#include <cstdio>
#include <string>

namespace kelvista {

// Opens `path` for reading in text mode ("r") when it names a regular file or a link to one.
// A directory, a device or a pipe is refused without blocking; nullptr on any failure.
std::FILE* OpenRegularFileForReading(const std::string& path);

}  // namespace kelvista
