#include "WriteAll.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "InterruptSignals.h"
#include "SystemError.h"

namespace kelvista::fileio {

namespace {

// Large enough to cost few calls, small enough to notice a signal quickly.
constexpr size_t kWriteChunk = size_t{1} << 20;

}  // namespace

int WriteAll(int fd, const char* data, size_t size, WhenInterrupted interrupted) {
    while (size > 0) {
        if (interrupted == WhenInterrupted::Stop && InterruptRequested()) {
            return ECANCELED;
        }
        const ssize_t written = ::write(fd, data, std::min(size, kWriteChunk));
        if (written > 0) {
            data += written;
            size -= static_cast<size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking descriptor (a terminal shared with a program that set O_NONBLOCK):
            // wait until it takes more. poll reports an error there through the next write.
            pollfd ready{fd, POLLOUT, 0};
            poll(&ready, 1, -1);
            continue;
        }
        return written < 0 ? errno : EIO;
    }
    return 0;
}

std::string WriteFailure(int errnum) {
    return errnum == ECANCELED ? "interrupted" : SystemReason(errnum);
}

}  // namespace kelvista::fileio
