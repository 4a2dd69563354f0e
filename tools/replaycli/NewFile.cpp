#include "NewFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "InterruptSignals.h"
#include "SystemError.h"

namespace kelvista::replaycli {

namespace {

// Large enough to cost few calls, small enough to notice a signal quickly.
constexpr size_t kWriteChunk = size_t{1} << 20;

}  // namespace

bool WriteAll(int fd, const char* data, size_t size, std::string& reason) {
    while (size > 0) {
        if (InterruptRequested()) {
            reason = "interrupted";
            return false;
        }
        const ssize_t written = write(fd, data, std::min(size, kWriteChunk));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            reason = SystemReason(errno);
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool WriteNewFile(int folderFd, const std::string& name, const FileFiller& fill,
                  std::string& reason) {
    const int fd =
        openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = SystemReason(errno);
        return false;
    }
    bool written = fill(fd, reason);
    // Some file systems report a full disk only when the data is flushed or the file closed.
    if (written && fsync(fd) != 0 && errno != EINVAL) {
        reason = SystemReason(errno);
        written = false;
    }
    if (close(fd) != 0 && written && errno != EINTR) {
        reason = SystemReason(errno);
        written = false;
    }
    if (!written) {
        unlinkat(folderFd, name.c_str(), 0);
    }
    return written;
}

bool WriteNewFile(int folderFd, const std::string& name, std::string_view bytes,
                  std::string& reason) {
    return WriteNewFile(
        folderFd, name,
        [bytes](int fd, std::string& why) { return WriteAll(fd, bytes.data(), bytes.size(), why); },
        reason);
}

}  // namespace kelvista::replaycli
