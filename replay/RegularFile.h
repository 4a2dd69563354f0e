#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kelvista {

// Opens `path` for reading in text mode ("r") when it names a regular file or a link to one.
// A directory, a device or a pipe is refused without blocking; nullptr on any failure.
std::FILE* OpenRegularFileForReading(const std::string& path);

// A small file read whole, or why it was not.
struct SmallFile {
    enum class Outcome {
        Read,     // `bytes` holds the whole file
        Absent,   // nothing of that name
        Refused,  // something is there but was not read; `problem` says why
    };
    Outcome outcome = Outcome::Absent;
    std::string bytes;
    // For messages: "Permission denied", "not a regular file (a named pipe)", "larger than 1
    // MiB"...
    std::string problem;
};

// Reads `path` whole when it is a regular file (or a link to one) of at most `maxBytes` bytes.
// Nothing else is opened, so no read waits on a pipe or a device, and a file larger than the
// limit is not read at all; one that grows past it while being read is refused too.
SmallFile ReadSmallRegularFile(const std::string& path, size_t maxBytes);
#ifndef _WIN32
// Opens `name` for reading relative to the open folder `folderFd` (AT_FDCWD: the working folder,
// or `name` is a full path) when it names a regular file or a link to one, exactly as
// OpenRegularFileForReading tests a path: one open that never blocks, then the opened file's own
// status. The descriptor, with the file's size in `size` when given; -1 on any failure.
int OpenRegularFileAt(int folderFd, const char* name, uint64_t* size = nullptr);
#endif

}  // namespace kelvista
