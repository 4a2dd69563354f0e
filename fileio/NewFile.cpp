#include "NewFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "SystemError.h"
#include "WriteAll.h"

namespace kelvista::fileio {

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
        [bytes](int fd, std::string& why) {
            const int errnum = WriteAll(fd, bytes.data(), bytes.size(), WhenInterrupted::Stop);
            why = errnum != 0 ? WriteFailure(errnum) : why;
            return errnum == 0;
        },
        reason);
}

}  // namespace kelvista::fileio
