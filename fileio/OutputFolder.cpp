#include "OutputFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace kelvista::fileio {

namespace {

// Folders are held as paths, never read: O_PATH needs only the right to pass through them.
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

std::optional<FileId> IdOfFd(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return std::nullopt;
    }
    return IdOf(info);
}

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        if (end > start) {
            components.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return components;
}

}  // namespace

FileId IdOf(const struct stat& info) {
    return {info.st_dev, info.st_ino};
}

bool LiesInside(int folderFd, const IsProtected& isProtected) {
    if (!isProtected) {
        return false;
    }
    FileDescriptor current(openat(folderFd, ".", kFolderFlags));
    std::optional<FileId> id = current.valid() ? IdOfFd(current.get()) : std::nullopt;
    while (id) {
        if (isProtected(*id)) {
            return true;
        }
        FileDescriptor parent(openat(current.get(), "..", kFolderFlags));
        const std::optional<FileId> parentId = parent.valid() ? IdOfFd(parent.get()) : std::nullopt;
        if (!parentId || *parentId == *id) {
            return false;  // the root, or a folder whose parent cannot be reached
        }
        current = std::move(parent);
        id = parentId;
    }
    return false;
}

bool LeadsInside(int folderFd, const std::string& name, const IsProtected& isProtected) {
    if (!isProtected) {
        return false;
    }
    // Opening follows every link on the way, as writing through the name would.
    FileDescriptor target(openat(folderFd, name.c_str(), O_PATH | O_CLOEXEC));
    if (!target.valid()) {
        return false;
    }
    struct stat info {};
    if (fstat(target.get(), &info) != 0) {
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        return LiesInside(target.get(), isProtected);
    }
    // A file: judge the folder it lies in, found from where the kernel resolved it.
    char resolved[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(target.get());
    const ssize_t size = readlink(link.c_str(), resolved, sizeof resolved - 1);
    if (size <= 0) {
        return false;
    }
    std::string path(resolved, static_cast<size_t>(size));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return false;
    }
    path.resize(slash == 0 ? 1 : slash);
    FileDescriptor parent(open(path.c_str(), kFolderFlags));
    return parent.valid() && LiesInside(parent.get(), isProtected);
}

std::optional<OutputFolder> OutputFolder::Open(const std::string& path, bool create,
                                               const IsProtected& isProtected, Failure& failure) {
    OutputFolder folder;
    const auto failed = [&](Failure::Kind kind, int errnum) {
        folder.removeMadeFolders();
        failure = {kind, errnum};
        return std::nullopt;
    };
    folder.m_path = path;
    FileDescriptor current(open(!path.empty() && path[0] == '/' ? "/" : ".", kFolderFlags));
    if (!current.valid()) {
        return failed(Failure::Kind::CannotOpen, errno);
    }
    for (const std::string& component : Components(path)) {
        if (component == ".") {
            continue;
        }
        FileDescriptor next(openat(current.get(), component.c_str(), kFolderFlags));
        if (!next.valid() && errno == ENOENT && create) {
            // Nothing is made inside a protected tree, not even a folder on the way.
            if (LiesInside(current.get(), isProtected)) {
                return failed(Failure::Kind::Protected, 0);
            }
            if (mkdirat(current.get(), component.c_str(), 0777) == 0) {
                folder.m_made.push_back(
                    {FileDescriptor(fcntl(current.get(), F_DUPFD_CLOEXEC, 0)), component});
            } else if (errno != EEXIST) {
                return failed(Failure::Kind::CannotOpen, errno);
            }
            next.reset(openat(current.get(), component.c_str(), kFolderFlags));
        }
        if (!next.valid()) {
            return failed(Failure::Kind::CannotOpen, errno);
        }
        current = std::move(next);
    }
    if (LiesInside(current.get(), isProtected)) {
        return failed(Failure::Kind::Protected, 0);
    }
    folder.m_fd = std::move(current);
    return folder;
}

bool OutputFolder::sync() const {
    // fsync needs a descriptor that may read the folder; one that may only pass through it
    // cannot be synced, and then the file system decides when the entries reach the disk.
    FileDescriptor readable(openat(m_fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!readable.valid()) {
        return true;
    }
    return fsync(readable.get()) == 0 || errno == EINVAL;
}

void OutputFolder::removeMadeFolders() {
    while (!m_made.empty()) {
        const MadeFolder& made = m_made.back();
        unlinkat(made.parent.get(), made.name.c_str(), AT_REMOVEDIR);
        m_made.pop_back();
    }
}

}  // namespace kelvista::fileio
