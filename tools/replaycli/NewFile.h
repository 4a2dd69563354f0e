#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kelvista::replaycli {

// Fills an open file; false with `reason` (the system's message, "No space left on device") when
// it cannot.
using FileFiller = std::function<bool(int fd, std::string& reason)>;

// Writes all `size` bytes to `fd`, again and again through short writes. Stops with "interrupted"
// once a signal asked the run to stop (InterruptSignals.h).
bool WriteAll(int fd, const char* data, size_t size, std::string& reason);

// Makes the new file `name` in `folderFd` and fills it: created exclusively (never an existing
// file, never through a link), every write checked, flushed to the disk and closed, so that a
// full disk or a file-size limit shows here with its reason. A file that could not be written
// whole is removed again.
bool WriteNewFile(int folderFd, const std::string& name, const FileFiller& fill,
                  std::string& reason);
bool WriteNewFile(int folderFd, const std::string& name, std::string_view bytes,
                  std::string& reason);

}  // namespace kelvista::replaycli
