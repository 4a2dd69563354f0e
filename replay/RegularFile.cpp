#include "RegularFile.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kelvista {

#ifndef _WIN32

int OpenRegularFileAt(int folderFd, const char* name, uint64_t* size) {
    // A plain open would wait forever on a pipe without a writer. Open without blocking, then
    // look at what was opened, so the test and the use name the same file. Links are followed,
    // as a path's are: a link to a regular file is one.
    int fd;
    do {
        fd = ::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
        ::close(fd);
        return -1;
    }
    if (size != nullptr) {
        *size = static_cast<uint64_t>(status.st_size);
    }
    return fd;
}
#endif

std::FILE* OpenRegularFileForReading(const std::string& path) {
#ifdef _WIN32
    // Windows refuses to open a folder as a file, which is the check needed here.
    return std::fopen(path.c_str(), "r");
#else
    const int fd = OpenRegularFileAt(AT_FDCWD, path.c_str());
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "r");
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
#endif
}

}  // namespace kelvista
