#include "RegularFile.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kelvista {

std::FILE* OpenRegularFileForReading(const std::string& path) {
#ifdef _WIN32
    // Windows refuses to open a folder as a file, which is the check needed here.
    return std::fopen(path.c_str(), "r");
#else
    // fopen would open a directory and wait forever on a pipe without a writer. Open without
    // blocking, then look at what was opened, so the test and the use name the same file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
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
