#pragma once

// Windows: opens a path for reading only when it names a file on a disk. A folder, or a name
// Windows gives to a device or a pipe (CON, NUL, COM1, \\.\pipe\...), is refused from its
// attributes and then from the opened handle's type, so no read on what it gives can wait.

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace kelvista {

// A handle open for reading (sharing read, write and delete) on the disk file at `path`, which
// the caller closes; INVALID_HANDLE_VALUE for anything else or when it cannot be opened.
HANDLE OpenDiskFileForReading(const std::string& path);

}  // namespace kelvista
#endif
