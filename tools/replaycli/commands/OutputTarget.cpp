#include "commands/OutputTarget.h"

#include "InterruptSignals.h"
#include "ReplayLayout.h"
#include "cli/Output.h"

namespace kelvista::replaycli {

namespace {

using fileio::PlacementResult;
using fileio::SingleFile;

}  // namespace

std::string ShownPath(const std::string& path) {
    return DisplayPath(path).toStdString();
}

Failure InterruptedFailure(const char* command) {
    return {fileio::InterruptExitCode(fileio::InterruptSignal()),
            std::string(command) + ": interrupted; nothing written"};
}

SingleFileOutput::SingleFileOutput(Request request, SingleFile file)
    : m_request(std::move(request)), m_file(std::move(file)) {}

std::string SingleFileOutput::shown() const {
    return ShownPath(m_request.path);
}

std::optional<SingleFileOutput> SingleFileOutput::Prepare(const Request& request,
                                                          std::string& error) {
    const std::string who = std::string(request.command) + ": ";
    const std::string shown = ShownPath(request.path);
    const std::optional<ProtectedFolder> protect = ProtectedReplayFolder();
    SingleFile::Refusal refusal;
    std::optional<SingleFile> file =
        SingleFile::Prepare({request.path, kStagingOwner, request.command, request.force,
                             Protecting(protect), request.input},
                            refusal);
    if (file) {
        return SingleFileOutput(request, std::move(*file));
    }
    const auto inside = [&](const char* how) {
        return who + shown + how + ShownPath(protect->path) + "; nothing written";
    };
    using Kind = SingleFile::Refusal::Kind;
    switch (refusal.kind) {
        case Kind::NotAFileName:
            error = who + shown + " names a folder, not a file";
            break;
        case Kind::FolderProtected:
            error = inside(" is inside the replay folder ");
            break;
        case Kind::FolderUnusable:
            error = who + "cannot write to the folder " + ShownPath(refusal.folderPath) + ": " +
                    refusal.reason;
            break;
        case Kind::LeadsIntoProtected:
            error = inside(" leads into the replay folder ");
            break;
        case Kind::IsInput:
            error = who + shown + " is the file being read; nothing written";
            break;
        case Kind::Exists:
            error = who + shown + " exists; nothing written (--force replaces it)";
            break;
        case Kind::CannotReplace:
            switch (refusal.check.status) {
                case PlacementResult::Status::Refused:
                    error = who + shown + " " + refusal.check.reason + "; nothing written";
                    break;
                case PlacementResult::Status::Protected:
                    error = who + shown + " " + std::string(kLinkIntoReplayFolder) +
                            "; nothing written";
                    break;
                default:
                    error = who + "cannot write " + shown + ": " + refusal.check.reason;
                    break;
            }
            break;
    }
    return std::nullopt;
}

SingleFileOutput::Outcome SingleFileOutput::write(const fileio::FileFiller& fill,
                                                  std::string& error) {
    const std::string who = std::string(m_request.command) + ": ";
    const PlacementResult placed = m_file.write(fill);
    switch (placed.status) {
        case PlacementResult::Status::Placed:
            return Outcome::Written;
        case PlacementResult::Status::Interrupted:
            return Outcome::Interrupted;
        case PlacementResult::Status::Exists:
            error = who + shown() + " exists; nothing written (--force replaces it)";
            break;
        case PlacementResult::Status::Refused:
            error = who + shown() + " " + placed.reason + "; nothing written";
            break;
        case PlacementResult::Status::Protected:
            error = who + shown() + " " + std::string(kLinkIntoReplayFolder) + "; nothing written";
            break;
        case PlacementResult::Status::Failed:
            error = who + "cannot write " + shown() + ": " + placed.reason;
            break;
    }
    return Outcome::Failed;
}

}  // namespace kelvista::replaycli
