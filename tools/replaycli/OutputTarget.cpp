#include "OutputTarget.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "FilePlacement.h"
#include "InterruptSignals.h"
#include "ReplayLayout.h"
#include "SystemError.h"
#include "cli/Output.h"

namespace kelvista::replaycli {

std::string ShownPath(const std::string& path) {
    return DisplayPath(path).toStdString();
}

Failure InterruptedFailure(const char* command) {
    return {InterruptExitCode(InterruptSignal()),
            std::string(command) + ": interrupted; nothing written"};
}

std::optional<ProtectedFolder> ProtectedReplayFolder() {
    const std::string folder = ReplayFolder();
    if (folder.empty()) {
        return std::nullopt;
    }
    const FileDescriptor fd(open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || fstat(fd.get(), &info) != 0) {
        return std::nullopt;
    }
    return ProtectedFolder{IdOf(info), folder};
}

SingleFileOutput::SingleFileOutput(Request request, OutputFolder folder, std::string name,
                                   std::optional<ProtectedFolder> protect, StagingFolder staging)
    : m_request(std::move(request)),
      m_folder(std::move(folder)),
      m_name(std::move(name)),
      m_protect(std::move(protect)),
      m_staging(std::move(staging)) {}

std::string SingleFileOutput::shown() const {
    return ShownPath(m_request.path);
}

std::optional<SingleFileOutput> SingleFileOutput::Prepare(const Request& request,
                                                          std::string& error) {
    const std::string who = std::string(request.command) + ": ";
    const std::string shown = ShownPath(request.path);
    const size_t slash = request.path.rfind('/');
    const std::string folderPath = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : request.path.substr(0, slash);
    const std::string name =
        slash == std::string::npos ? request.path : request.path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        error = who + shown + " names a folder, not a file";
        return std::nullopt;
    }
    std::optional<ProtectedFolder> protect = ProtectedReplayFolder();
    const ProtectedFolder* protectedFolder = protect ? &*protect : nullptr;
    const auto inside = [&](const char* how) {
        error = who + shown + how + ShownPath(protect->path) + "; nothing written";
        return std::nullopt;
    };
    OutputFolder::Failure failure;
    std::optional<OutputFolder> folder =
        OutputFolder::Open(folderPath, false, protectedFolder, failure);
    if (!folder) {
        if (failure.kind == OutputFolder::Failure::Kind::Protected) {
            return inside(" is inside the replay folder ");
        }
        error = who + "cannot write to the folder " + ShownPath(folderPath) + ": " +
                SystemReason(failure.errnum);
        return std::nullopt;
    }
    RemoveStaleStaging(folder->fd());
    struct stat entry {};
    if (fstatat(folder->fd(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
        if (protect && LeadsInside(folder->fd(), name, protect->id)) {
            return inside(" leads into the replay folder ");
        }
        struct stat resolved {};
        if (request.input && (IdOf(entry) == *request.input ||
                              (fstatat(folder->fd(), name.c_str(), &resolved, 0) == 0 &&
                               IdOf(resolved) == *request.input))) {
            error = who + shown + " is the file being read; nothing written";
            return std::nullopt;
        }
        if (!request.force) {
            error = who + shown + " exists; nothing written (--force replaces it)";
            return std::nullopt;
        }
        const PlacementResult check = CheckReplaceable(folder->fd(), {name}, protectedFolder);
        if (!check.placed()) {
            error = who + (check.status == PlacementResult::Status::Refused
                               ? shown + " " + check.reason + "; nothing written"
                               : "cannot write " + shown + ": " + check.reason);
            return std::nullopt;
        }
    }
    int errnum = 0;
    std::optional<StagingFolder> staging =
        StagingFolder::Create(folder->fd(), request.command, errnum);
    if (!staging) {
        error = who + "cannot write to the folder " + ShownPath(folderPath) + ": " +
                SystemReason(errnum);
        return std::nullopt;
    }
    return SingleFileOutput(request, std::move(*folder), name, std::move(protect),
                            std::move(*staging));
}

SingleFileOutput::Outcome SingleFileOutput::write(const FileFiller& fill, std::string& error) {
    const std::string who = std::string(m_request.command) + ": ";
    std::string reason;
    if (InterruptRequested()) {
        return Outcome::Interrupted;
    }
    if (!WriteNewFile(m_staging.fd(), m_name, fill, reason)) {
        if (InterruptRequested()) {
            return Outcome::Interrupted;
        }
        error = who + "cannot write " + shown() + ": " + reason;
        return Outcome::Failed;
    }
    FilePlacement placement(m_folder.fd(), m_staging.fd(),
                            {m_request.force, m_protect ? &*m_protect : nullptr, nullptr});
    const PlacementResult placed = placement.placeAll({m_name});
    switch (placed.status) {
        case PlacementResult::Status::Placed:
            break;
        case PlacementResult::Status::Interrupted:
            return Outcome::Interrupted;
        case PlacementResult::Status::Exists:
            error = who + shown() + " exists; nothing written (--force replaces it)";
            return Outcome::Failed;
        case PlacementResult::Status::Refused:
            error = who + shown() + " " + placed.reason + "; nothing written";
            return Outcome::Failed;
        case PlacementResult::Status::Failed:
            error = who + "cannot write " + shown() + ": " + placed.reason;
            return Outcome::Failed;
    }
    m_folder.sync();
    // The last moment a signal still takes the file back; after it the run has succeeded.
    if (InterruptRequested()) {
        std::string undoError;
        placement.undo(undoError);
        return Outcome::Interrupted;
    }
    m_staging.remove();
    return Outcome::Written;
}

}  // namespace kelvista::replaycli
