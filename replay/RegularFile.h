#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kelvista {

// Opens `path` for reading in text mode ("r") when it names a regular file or a link to one.
// A directory, a device or a pipe is refused without blocking; nullptr on any failure.
std::FILE* OpenRegularFileForReading(const std::string& path);

#ifndef _WIN32
// Opens `name` for reading relative to the open folder `folderFd` (AT_FDCWD: the working folder,
// or `name` is a full path) when it names a regular file or a link to one, exactly as
// OpenRegularFileForReading tests a path: one open that never blocks, then the opened file's own
// status. The descriptor, with the file's size in `size` when given; -1 on any failure.
int OpenRegularFileAt(int folderFd, const char* name, uint64_t* size = nullptr);
#endif

}  // namespace kelvista
