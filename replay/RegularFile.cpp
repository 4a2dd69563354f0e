#include "RegularFile.h"

#include <cerrno>
#include <cstdint>

#include "SystemError.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <filesystem>

#include "DiskFile.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileDescriptor.h"
#endif

namespace kelvista {

namespace {

SmallFile Refused(std::string problem) {
    SmallFile file;
    file.outcome = SmallFile::Outcome::Refused;
    file.problem = std::move(problem);
    return file;
}

std::string TooLarge(size_t maxBytes) {
    constexpr size_t kMiB = size_t{1} << 20;
    return "larger than " + (maxBytes % kMiB == 0 ? std::to_string(maxBytes / kMiB) + " MiB"
                                                  : std::to_string(maxBytes) + " bytes");
}

#ifndef _WIN32
std::string NotRegular(mode_t mode) {
    const char* kind = "something else";
    if (S_ISDIR(mode)) {
        kind = "a folder";
    } else if (S_ISFIFO(mode)) {
        kind = "a named pipe";
    } else if (S_ISCHR(mode) || S_ISBLK(mode)) {
        kind = "a device";
    } else if (S_ISSOCK(mode)) {
        kind = "a socket";
    }
    return std::string("not a regular file (") + kind + ")";
}

// Why `path` cannot be looked at: absent, a link to nothing, or the system's reason.
SmallFile NotFound(const std::string& path, int error) {
    struct stat link {};
    if (error == ENOENT && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        return Refused("a link to a file that does not exist");
    }
    return error == ENOENT ? SmallFile{} : Refused(fileio::SystemReason(error));
}
#endif

}  // namespace

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
    // Only a file on a disk: nothing read from it can wait.
    HANDLE handle = OpenDiskFileForReading(path);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    // Binary: the caption reader applies the text-mode rules itself, once.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "rb");
    if (file == nullptr) {
        _close(fd);
    }
    return file;
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

SmallFile ReadSmallRegularFile(const std::string& path, size_t maxBytes) {
#ifdef _WIN32
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        return SmallFile{};
    }
    if (!fs::is_regular_file(status)) {
        return Refused("not a regular file");
    }
    std::FILE* file = OpenRegularFileForReading(path);
    if (file == nullptr) {
        return Refused(fileio::SystemReason(errno));
    }
    SmallFile result;
    char chunk[4096];
    size_t got = 0;
    while (result.bytes.size() <= maxBytes &&
           (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        result.bytes.append(chunk, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        return Refused("read error");
    }
    if (result.bytes.size() > maxBytes) {
        return Refused(TooLarge(maxBytes));
    }
    result.outcome = SmallFile::Outcome::Read;
    return result;
#else
    // Look before opening: opening a device can have effects of its own, and a pipe is not
    // opened at all. The file may still be swapped before the open, so what was opened is
    // looked at again, without blocking.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return NotFound(path, errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return Refused(NotRegular(status.st_mode));
    }
    if (static_cast<uintmax_t>(status.st_size) > maxBytes) {
        return Refused(TooLarge(maxBytes));
    }
    const fileio::FileDescriptor fd(
        ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        return NotFound(path, errno);
    }
    if (::fstat(fd.get(), &status) != 0) {
        return Refused(fileio::SystemReason(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        return Refused(NotRegular(status.st_mode));
    }
    if (static_cast<uintmax_t>(status.st_size) > maxBytes) {
        return Refused(TooLarge(maxBytes));
    }
    SmallFile result;
    result.bytes.reserve(static_cast<size_t>(status.st_size));
    // Reads on past the limit by up to one chunk, to see a file that has grown beyond it.
    char chunk[4096];
    while (result.bytes.size() <= maxBytes) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Refused(fileio::SystemReason(errno));
        }
        if (got == 0) {
            break;
        }
        result.bytes.append(chunk, static_cast<size_t>(got));
    }
    if (result.bytes.size() > maxBytes) {
        return Refused(TooLarge(maxBytes));
    }
    result.outcome = SmallFile::Outcome::Read;
    return result;
#endif
}

}  // namespace kelvista
