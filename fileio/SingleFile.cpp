#include "SingleFile.h"

#include <fcntl.h>
#include <sys/stat.h>

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

SingleFile::SingleFile(Request request, OutputFolder folder, std::string name,
                       StagingFolder staging)
    : m_request(std::move(request)),
      m_folder(std::move(folder)),
      m_name(std::move(name)),
      m_staging(std::move(staging)) {}

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
    RemoveStaleStaging(folder->fd(), request.owner);
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
    return SingleFile(request, std::move(*folder), name, std::move(*staging));
}

PlacementResult SingleFile::write(const FileFiller& fill) {
    if (InterruptRequested()) {
        return Stopped(PlacementResult::Status::Interrupted);
    }
    std::string reason;
    if (!WriteNewFile(m_staging.fd(), m_name, fill, reason)) {
        return InterruptRequested() ? Stopped(PlacementResult::Status::Interrupted)
                                    : Stopped(PlacementResult::Status::Failed, reason);
    }
    PlacementOptions options;
    options.replace = m_request.replace;
    options.isProtected = m_request.isProtected;
    return CommitStagedFiles(m_folder, m_staging, {m_name}, options);
}

}  // namespace kelvista::fileio
