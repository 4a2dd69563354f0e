#pragma once

// WriteAll is the one loop that writes a block of bytes to a descriptor: it goes on after a
// short write, retries a write(2) a signal interrupted, and waits (poll) while a non-blocking
// descriptor is full. It writes in chunks, so a long write notices a stop request quickly.
//
//     if (const int errnum = WriteAll(fd, bytes.data(), bytes.size())) {
//         error = SystemReason(errnum);   // "No space left on device", "Broken pipe"
//     }
//
// With WhenInterrupted::Stop it returns ECANCELED before the next chunk once a stop signal arrived
// (InterruptSignals.h): for files that are taken back anyway. Output a user is reading, the
// message that the run was interrupted included, is written with the default, Finish.

#include <cstddef>
#include <string>

namespace kelvista::fileio {

enum class WhenInterrupted { Finish, Stop };

// 0 once all `size` bytes are written, else the errno of the write that failed (EIO for a write
// that took nothing without saying why).
int WriteAll(int fd, const char* data, size_t size,
             WhenInterrupted interrupted = WhenInterrupted::Finish);

// The words for a WriteAll failure: "interrupted" for ECANCELED, the system's own otherwise.
std::string WriteFailure(int errnum);

}  // namespace kelvista::fileio
