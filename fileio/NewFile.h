#pragma once

// WriteNewFile makes a file that is there whole or not at all: it is created exclusively (never
// over an existing name, never through a link), every write is checked, it is flushed to the
// disk and closed, so that a full disk or a file-size limit shows here with its reason, and a
// file that could not be written whole is removed again.
//
//     std::string reason;
//     if (!WriteNewFile(stagingFd, "captions.tsv", text, reason)) {
//         error = "cannot write captions.tsv: " + reason;   // nothing of it is left
//     }

#include <functional>
#include <string>
#include <string_view>

namespace kelvista::fileio {

// Fills an open file; false with `reason` (the system's message, "No space left on device") when
// it cannot.
using FileFiller = std::function<bool(int fd, std::string& reason)>;

// Makes the new file `name` in `folderFd` and fills it with `fill` (or `bytes`, which stop with
// "interrupted" once a signal asked the run to stop). False with the reason when it could not be
// made whole; then nothing of it is left.
bool WriteNewFile(int folderFd, const std::string& name, const FileFiller& fill,
                  std::string& reason);
bool WriteNewFile(int folderFd, const std::string& name, std::string_view bytes,
                  std::string& reason);

}  // namespace kelvista::fileio
