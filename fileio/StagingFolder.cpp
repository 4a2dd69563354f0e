#include "StagingFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <vector>

#include "OutputFolder.h"

namespace kelvista::fileio {

namespace {

constexpr size_t kRandomLength = 6;
constexpr char kRandomCharacters[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsRandomCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string RandomSuffix() {
    static thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kRandomCharacters - 2);
    std::string suffix;
    for (size_t i = 0; i < kRandomLength; ++i) {
        suffix += kRandomCharacters[pick(generator)];
    }
    return suffix;
}

int OpenStaging(int parentFd, const std::string& name) {
    return openat(parentFd, name.c_str(),
                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
}

// True while `name` in `parentFd` is still the folder open as `fd`.
bool StillNamed(int parentFd, const std::string& name, int fd) {
    struct stat held {};
    struct stat named {};
    return fstat(fd, &held) == 0 && held.st_nlink > 0 &&
           fstatat(parentFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           IdOf(held) == IdOf(named);
}

// The names in the folder open as `fd`; nullopt when it cannot be listed or holds a folder, which
// no run of this tool makes there.
std::optional<std::vector<std::string>> FilesIn(int fd) {
    const int listFd = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (listing == nullptr) {
        if (listFd >= 0) {
            close(listFd);
        }
        return std::nullopt;
    }
    std::vector<std::string> names;
    bool onlyFiles = true;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat info {};
        if (fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(info.st_mode)) {
            onlyFiles = false;
        }
        names.push_back(name);
    }
    closedir(listing);
    return onlyFiles ? std::optional(names) : std::nullopt;
}

// Unlinks every entry of the staging folder open as `fd` (links themselves, never what they
// point to), then the folder. A folder holding anything but files is not one of ours to clear.
void RemoveFolderAndFiles(int parentFd, const std::string& name, int fd) {
    const std::optional<std::vector<std::string>> files = FilesIn(fd);
    if (!files) {
        return;
    }
    for (const std::string& file : *files) {
        unlinkat(fd, file.c_str(), 0);
    }
    if (StillNamed(parentFd, name, fd)) {
        unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
    }
}

}  // namespace

std::optional<StagingFolder> StagingFolder::Create(int parentFd, std::string_view owner,
                                                   std::string_view command, int& errnum) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = std::string(owner) + std::string(command) + "-" + RandomSuffix();
        if (mkdirat(parentFd, name.c_str(), 0700) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            errnum = errno;
            return std::nullopt;
        }
        FileDescriptor fd(OpenStaging(parentFd, name));
        if (!fd.valid()) {
            errnum = errno;
            unlinkat(parentFd, name.c_str(), AT_REMOVEDIR);
            return std::nullopt;
        }
        // Between mkdirat and here another run may have taken the new folder for a left-over:
        // then it holds the lock, or has removed the folder already. Either way, start again
        // under another name. A file system without flock() (some network ones) leaves the
        // folder unlocked; other runs then cannot tell it is stale and leave it alone.
        if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            continue;
        }
        if (!StillNamed(parentFd, name, fd.get())) {
            continue;
        }
        StagingFolder staging;
        staging.m_parent.reset(fcntl(parentFd, F_DUPFD_CLOEXEC, 0));
        staging.m_fd = std::move(fd);
        staging.m_name = name;
        return staging;
    }
    errnum = EEXIST;
    return std::nullopt;
}

StagingFolder::~StagingFolder() {
    remove();
}

void StagingFolder::remove() {
    if (!m_fd.valid()) {
        return;
    }
    RemoveFolderAndFiles(m_parent.get(), m_name, m_fd.get());
    m_fd.reset();
    m_parent.reset();
}

bool IsStagingName(std::string_view name, std::string_view owner) {
    if (owner.empty() || name.substr(0, owner.size()) != owner) {
        return false;
    }
    name.remove_prefix(owner.size());
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos) {
        return false;
    }
    for (const char c : name.substr(0, dash)) {
        if (c < 'a' || c > 'z') {
            return false;
        }
    }
    const std::string_view suffix = name.substr(dash + 1);
    if (suffix.size() != kRandomLength) {
        return false;
    }
    for (const char c : suffix) {
        if (!IsRandomCharacter(c)) {
            return false;
        }
    }
    return true;
}

size_t RemoveStaleStaging(int folderFd, std::string_view owner) {
    const int listFd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (listing == nullptr) {
        if (listFd >= 0) {
            close(listFd);
        }
        return 0;  // a folder this user may write to but not list: nothing to find
    }
    std::vector<std::string> candidates;
    while (const dirent* entry = readdir(listing)) {
        if (IsStagingName(entry->d_name, owner)) {
            candidates.emplace_back(entry->d_name);
        }
    }
    closedir(listing);
    size_t removed = 0;
    for (const std::string& name : candidates) {
        // O_NOFOLLOW: a link of that name is not ours, and what it points to even less.
        FileDescriptor fd(OpenStaging(folderFd, name));
        struct stat info {};
        if (!fd.valid() || fstat(fd.get(), &info) != 0 || info.st_uid != geteuid()) {
            continue;
        }
        if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            continue;  // its run is alive, or the lock cannot be judged here
        }
        if (!StillNamed(folderFd, name, fd.get())) {
            continue;
        }
        RemoveFolderAndFiles(folderFd, name, fd.get());
        struct stat gone {};
        if (fstatat(folderFd, name.c_str(), &gone, AT_SYMLINK_NOFOLLOW) != 0) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace kelvista::fileio
