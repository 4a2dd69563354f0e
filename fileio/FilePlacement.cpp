#include "FilePlacement.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <thread>

#include "InterruptSignals.h"
#include "SystemError.h"

namespace kelvista::fileio {

namespace {

using Status = PlacementResult::Status;

// How long a run waits for another one placing files in the same folder before it goes ahead.
constexpr auto kLockPatience = std::chrono::seconds(10);

PlacementResult Result(Status status, const std::string& name, std::string reason = {}) {
    PlacementResult result;
    result.status = status;
    result.name = name;
    result.reason = std::move(reason);
    return result;
}

std::optional<struct stat> EntryOf(int folderFd, const std::string& name) {
    struct stat info {};
    if (fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return info;
}

// renameat2's flags are a matter of the file system: these say it has not got them.
bool FlagsUnsupported(int errnum) {
    return errnum == EINVAL || errnum == ENOSYS || errnum == EOPNOTSUPP;
}

// The name under which a replaced entry waits in the staging folder when it cannot be exchanged:
// never one of the names being placed.
std::string AsideName(const std::string& name) {
    return name + ".replaced";
}

}  // namespace

std::vector<std::string> ExistingNames(int folderFd, const std::vector<std::string>& names) {
    std::vector<std::string> existing;
    for (const std::string& name : names) {
        if (EntryOf(folderFd, name) || errno != ENOENT) {
            existing.push_back(name);
        }
    }
    return existing;
}

PlacementResult CheckReplaceable(int folderFd, const std::vector<std::string>& names,
                                 const IsProtected& isProtected) {
    struct stat folder {};
    if (fstat(folderFd, &folder) != 0) {
        return Result(Status::Failed, ".", SystemReason(errno));
    }
    const uid_t user = geteuid();
    // In a folder with the sticky bit only the owner of an entry or of the folder may rename or
    // remove it (root aside, which may).
    const bool othersProtected =
        (folder.st_mode & S_ISVTX) != 0 && folder.st_uid != user && user != 0;
    for (const std::string& name : names) {
        const std::optional<struct stat> entry = EntryOf(folderFd, name);
        if (!entry) {
            if (errno == ENOENT) {
                continue;
            }
            return Result(Status::Failed, name, SystemReason(errno));
        }
        if (S_ISDIR(entry->st_mode)) {
            return Result(Status::Refused, name, "is a folder");
        }
        if (entry->st_dev != folder.st_dev) {
            return Result(Status::Refused, name, "is a mount point");
        }
        if (othersProtected && entry->st_uid != user) {
            return Result(Status::Refused, name,
                          "belongs to another user in a shared folder (sticky bit)");
        }
        if (S_ISLNK(entry->st_mode) && LeadsInside(folderFd, name, isProtected)) {
            return Result(Status::Protected, name);
        }
    }
    return {};
}

FilePlacement::FilePlacement(int folderFd, int stagingFd, PlacementOptions options)
    : m_folder(folderFd), m_staging(stagingFd), m_options(options) {}

bool FilePlacement::renameFlagsAllowed() const {
    return m_options.hooks == nullptr || !m_options.hooks->withoutRenameFlags;
}

bool FilePlacement::lockFolder() {
    // A folder this user may not read cannot be locked; its runs then place side by side.
    m_lock.reset(openat(m_folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_lock.valid()) {
        return true;
    }
    const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
    while (flock(m_lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() > giveUp) {
            return true;
        }
        if (InterruptRequested()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

int FilePlacement::moveWithoutReplacing(int fromFd, int toFd, const std::string& name) const {
    const char* file = name.c_str();
    if (renameFlagsAllowed()) {
        if (renameat2(fromFd, file, toFd, file, RENAME_NOREPLACE) == 0) {
            return 0;
        }
        if (!FlagsUnsupported(errno)) {
            return errno;
        }
    }
    // link() never replaces either; the staged name is then dropped.
    if (linkat(fromFd, file, toFd, file, 0) == 0) {
        unlinkat(fromFd, file, 0);
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK && errno != ENOSYS) {
        return errno;
    }
    // A file system without hard links either (FAT): look, then rename. A file made by someone
    // else in the instant between the two would be replaced; nothing better exists there.
    if (EntryOf(toFd, name)) {
        return EEXIST;
    }
    if (errno != ENOENT) {
        return errno;
    }
    return renameat(fromFd, file, toFd, file) == 0 ? 0 : errno;
}

PlacementResult FilePlacement::placeAll(const std::vector<std::string>& names) {
    if (m_options.replace) {
        const PlacementResult check = CheckReplaceable(m_folder, names, m_options.isProtected);
        if (!check.placed()) {
            return check;
        }
    }
    if (!lockFolder()) {
        return Result(Status::Interrupted, {});
    }
    for (size_t index = 0; index < names.size(); ++index) {
        if (InterruptRequested()) {
            return stopped(Result(Status::Interrupted, names[index]));
        }
        const PlacementResult result = placeOne(index, names[index]);
        if (!result.placed()) {
            return stopped(result);
        }
    }
    return {};
}

PlacementResult FilePlacement::stopped(PlacementResult result) {
    std::string error;
    if (!undo(error)) {
        result.undoFailed = error;
    }
    return result;
}

PlacementResult FilePlacement::placeOne(size_t index, const std::string& name) {
    if (m_options.hooks != nullptr && m_options.hooks->beforeMove) {
        if (const int errnum = m_options.hooks->beforeMove(index, name)) {
            return Result(Status::Failed, name, SystemReason(errnum));
        }
    }
    const std::optional<struct stat> staged = EntryOf(m_staging, name);
    if (!staged) {
        return Result(Status::Failed, name, SystemReason(errno));
    }
    const int errnum = moveWithoutReplacing(m_staging, m_folder, name);
    if (errnum == 0) {
        m_moves.push_back({name, How::New, IdOf(*staged)});
        return {};
    }
    if (errnum != EEXIST) {
        return Result(Status::Failed, name, SystemReason(errnum));
    }
    if (!m_options.replace) {
        return Result(Status::Exists, name);
    }
    return replaceOne(name, IdOf(*staged));
}

PlacementResult FilePlacement::replaceOne(const std::string& name, const FileId& staged) {
    const char* file = name.c_str();
    const std::optional<struct stat> target = EntryOf(m_folder, name);
    if (target && S_ISDIR(target->st_mode)) {
        return Result(Status::Refused, name, "is a folder");
    }
    if (renameFlagsAllowed()) {
        if (renameat2(m_staging, file, m_folder, file, RENAME_EXCHANGE) == 0) {
            // A folder that took the name since the look above goes back where it was.
            const std::optional<struct stat> out = EntryOf(m_staging, name);
            if (out && S_ISDIR(out->st_mode)) {
                renameat2(m_staging, file, m_folder, file, RENAME_EXCHANGE);
                return Result(Status::Refused, name, "is a folder");
            }
            m_moves.push_back({name, How::Exchanged, staged});
            return {};
        }
        if (!FlagsUnsupported(errno)) {
            return Result(Status::Failed, name, SystemReason(errno));
        }
    }
    const std::string aside = AsideName(name);
    if (renameat(m_folder, file, m_staging, aside.c_str()) != 0) {
        return Result(Status::Failed, name, SystemReason(errno));
    }
    const int errnum = moveWithoutReplacing(m_staging, m_folder, name);
    if (errnum != 0) {
        renameat(m_staging, aside.c_str(), m_folder, file);
        return Result(Status::Failed, name, SystemReason(errnum));
    }
    m_moves.push_back({name, How::SetAside, staged});
    return {};
}

bool FilePlacement::undo(std::string& error) {
    const auto failed = [&error](const std::string& name, const std::string& why) {
        error += (error.empty() ? "" : ", ") + name + " (" + why + ")";
    };
    while (!m_moves.empty()) {
        const Move move = m_moves.back();
        m_moves.pop_back();
        const char* file = move.name.c_str();
        const std::optional<struct stat> now = EntryOf(m_folder, move.name);
        if (!now || !(IdOf(*now) == move.placed)) {
            failed(move.name, "changed by someone else meanwhile");
            continue;
        }
        switch (move.how) {
            case How::New:
                if (renameat(m_folder, file, m_staging, file) != 0) {
                    failed(move.name, SystemReason(errno));
                }
                break;
            case How::Exchanged:
                if (renameat2(m_staging, file, m_folder, file, RENAME_EXCHANGE) != 0) {
                    failed(move.name, SystemReason(errno));
                }
                break;
            case How::SetAside:
                if (renameat(m_folder, file, m_staging, file) != 0 ||
                    renameat(m_staging, AsideName(move.name).c_str(), m_folder, file) != 0) {
                    failed(move.name, SystemReason(errno));
                }
                break;
        }
    }
    return error.empty();
}

PlacementResult CommitStagedFiles(const OutputFolder& folder, StagingFolder& staging,
                                  const std::vector<std::string>& names,
                                  const PlacementOptions& options) {
    if (InterruptRequested()) {
        return Result(Status::Interrupted, {});
    }
    FilePlacement placement(folder.fd(), staging.fd(), options);
    const PlacementResult placed = placement.placeAll(names);
    if (!placed.placed()) {
        return placed;
    }
    folder.sync();
    // The last moment a signal still takes the files back; after it the run has written them.
    if (InterruptRequested()) {
        PlacementResult interrupted = Result(Status::Interrupted, {});
        if (std::string error; !placement.undo(error)) {
            interrupted.undoFailed = error;
        }
        return interrupted;
    }
    staging.remove();
    return {};
}

}  // namespace kelvista::fileio
