#include "SingleFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "InterruptSignals.h"
#include "SystemError.h"

namespace kelvista::fileio {

namespace {

using Kind = SingleFile::Refusal::Kind;

PlacementResult Stopped(PlacementResult::Status status, std::string reason = {}) {
    PlacementResult result;
    result.status = status;
    result.reason = std::move(reason);
    return result;
}

}  // namespace

SingleFile::SingleFile(Request request, std::optional<OutputFolder> folder, std::string name,
                       std::optional<StagingFolder> staging, FileDescriptor stream)
    : m_request(std::move(request)),
      m_folder(std::move(folder)),
      m_name(std::move(name)),
      m_staging(std::move(staging)),
      m_stream(std::move(stream)) {}

std::optional<int> DescriptorLink(const std::string& path) {
    const std::string self = "/proc/" + std::to_string(getpid()) + "/fd/";
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        char target[PATH_MAX];
        const ssize_t size = readlink(current.c_str(), target, sizeof target);
        if (size <= 0 || static_cast<size_t>(size) >= sizeof target) {
            return std::nullopt;
        }
        const std::string text(target, static_cast<size_t>(size));
        for (const std::string& prefix :
             {std::string("/proc/self/fd/"), std::string("/proc/thread-self/fd/"),
              std::string("/dev/fd/"), self}) {
            const std::string digits = text.substr(0, prefix.size()) == prefix
                                           ? text.substr(prefix.size())
                                           : std::string();
            if (!digits.empty() && digits.size() <= 9 &&
                digits.find_first_not_of("0123456789") == std::string::npos) {
                return std::stoi(digits);
            }
        }
        const size_t slash = current.rfind('/');
        current = text[0] == '/' || slash == std::string::npos
                      ? text
                      : current.substr(0, slash + 1) + text;
    }
    return std::nullopt;
}

std::optional<SingleFile> SingleFile::Prepare(const Request& request, Refusal& refusal) {
    const size_t slash = request.path.rfind('/');
    refusal.folderPath = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : request.path.substr(0, slash);
    const std::string name =
        slash == std::string::npos ? request.path : request.path.substr(slash + 1);
    const auto refused = [&refusal](Kind kind, std::string reason = {}) {
        refusal.kind = kind;
        refusal.reason = std::move(reason);
        return std::nullopt;
    };
    if (request.dashIsStandardOutput && request.path == "-") {
        FileDescriptor out(fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
        if (!out.valid()) {
            return refused(Kind::StreamUnusable, SystemReason(errno));
        }
        return SingleFile(request, std::nullopt, name, std::nullopt, std::move(out));
    }
    if (name.empty() || name == "." || name == "..") {
        return refused(Kind::NotAFileName);
    }
    OutputFolder::Failure failure;
    std::optional<OutputFolder> folder =
        OutputFolder::Open(refusal.folderPath, false, request.isProtected, failure);
    if (!folder) {
        return failure.kind == OutputFolder::Failure::Kind::Protected
                   ? refused(Kind::FolderProtected)
                   : refused(Kind::FolderUnusable, SystemReason(failure.errnum));
    }
    struct stat entry {};
    if (fstatat(folder->fd(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
        if (LeadsInside(folder->fd(), name, request.isProtected)) {
            return refused(Kind::LeadsIntoProtected);
        }
        struct stat resolved {};
        if (request.input && (IdOf(entry) == *request.input ||
                              (fstatat(folder->fd(), name.c_str(), &resolved, 0) == 0 &&
                               IdOf(resolved) == *request.input))) {
            return refused(Kind::IsInput);
        }
        // A stream is written into, never replaced; a socket or a block device is refused.
        struct stat target {};
        const bool link = S_ISLNK(entry.st_mode);
        const bool followed = link && fstatat(folder->fd(), name.c_str(), &target, 0) == 0;
        const mode_t mode = link ? (followed ? target.st_mode : 0) : entry.st_mode;
        const std::optional<int> descriptor = link ? DescriptorLink(request.path) : std::nullopt;
        if (descriptor || S_ISFIFO(mode) || S_ISCHR(mode)) {
            FileDescriptor stream(descriptor
                                      ? fcntl(*descriptor, F_DUPFD_CLOEXEC, 0)
                                      : openat(folder->fd(), name.c_str(),
                                               O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
            if (!stream.valid()) {
                return refused(Kind::StreamUnusable, SystemReason(errno));
            }
            return SingleFile(request, std::move(*folder), name, std::nullopt, std::move(stream));
        }
        if (S_ISSOCK(mode) || S_ISBLK(mode)) {
            return refused(Kind::NotAFile, std::string(link ? "is a link to " : "is ") +
                                               (S_ISSOCK(mode) ? "a socket" : "a block device"));
        }
        if (!request.replace) {
            return refused(Kind::Exists);
        }
        refusal.check = CheckReplaceable(folder->fd(), {name}, request.isProtected);
        if (!refusal.check.placed()) {
            return refused(Kind::CannotReplace);
        }
    }
    int errnum = 0;
    std::optional<StagingFolder> staging =
        StagingFolder::Create(folder->fd(), request.owner, request.command, errnum);
    if (!staging) {
        return refused(Kind::FolderUnusable, SystemReason(errnum));
    }
    return SingleFile(request, std::move(*folder), name, std::move(*staging), FileDescriptor());
}

PlacementResult SingleFile::write(const FileFiller& fill) {
    if (InterruptRequested()) {
        return Stopped(PlacementResult::Status::Interrupted);
    }
    std::string reason;
    const bool filled = m_stream.valid() ? fill(m_stream.get(), reason)
                                         : WriteNewFile(m_staging->fd(), m_name, fill, reason);
    if (!filled) {
        return InterruptRequested() ? Stopped(PlacementResult::Status::Interrupted)
                                    : Stopped(PlacementResult::Status::Failed, reason);
    }
    if (m_stream.valid()) {
        return {};
    }
    PlacementOptions options;
    options.replace = m_request.replace;
    options.isProtected = m_request.isProtected;
    return CommitStagedFiles(*m_folder, *m_staging, {m_name}, options);
}

}  // namespace kelvista::fileio
