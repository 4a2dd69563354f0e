#pragma once

// FilePlacement moves the files a run made in its staging folder (StagingFolder.h) into their
// folder as one step, all of them or none: every target is checked before the first move, and
// when a move fails or a stop signal arrives the moves made are taken back. CommitStagedFiles is
// the whole ending of such a run, written once: place, sync the folder, take everything back if a
// signal came at the last moment, else remove the staging folder.
//
//     PlacementOptions options;
//     options.replace = force;
//     options.isProtected = isProtected;   // a link leading into such a folder is not replaced
//     const PlacementResult result = CommitStagedFiles(folder, staging, names, options);
//     if (!result.placed()) { /* Exists, Refused, Protected, Interrupted or Failed: nothing moved
//                                unless result.undoFailed names what could not be put back */ }

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "FileDescriptor.h"
#include "OutputFolder.h"
#include "StagingFolder.h"

namespace kelvista::fileio {

// A way into the moves for tests: faults that are hard to make on a real file system.
struct PlacementHooks {
    // Called before each move; a non-zero errno makes that move fail with it.
    std::function<int(size_t index, const std::string& name)> beforeMove;
    // Moves as on a file system without renameat2's flags (no RENAME_NOREPLACE, no
    // RENAME_EXCHANGE): the link()+unlink() and set-aside ways.
    bool withoutRenameFlags = false;
};

struct PlacementOptions {
    bool replace = false;     // existing files of the same names are replaced
    IsProtected isProtected;  // a link into such a folder is not replaced either
    const PlacementHooks* hooks = nullptr;
};

struct PlacementResult {
    enum class Status {
        Placed,       // every file is in place
        Exists,       // without replace: `name` exists (or appeared while the run worked)
        Refused,      // with replace: `name` cannot be replaced, `reason` says why
        Protected,    // with replace: `name` is a link that leads into a protected folder
        Interrupted,  // a signal arrived (InterruptSignals.h)
        Failed,       // a move failed: `reason` is the system's message
    };
    Status status = Status::Placed;
    std::string name;        // the file it stopped at
    std::string reason;      // "is a folder", "Operation not permitted", ...
    std::string undoFailed;  // when some moves could not be taken back: which and why

    bool placed() const { return status == Status::Placed; }
};

// The names of `names` that exist in `folderFd`, links (dangling ones too) included.
std::vector<std::string> ExistingNames(int folderFd, const std::vector<std::string>& names);

// Whether every existing file of `names` in `folderFd` can be replaced: not a folder, nor a mount
// point, nor another user's file in a folder with the sticky bit (such as /tmp) that this user
// does not own either (Refused), nor a link into a protected folder (Protected). Placed when they
// all can, else the first that cannot. What else the file system refuses (a file marked immutable)
// makes the move itself fail, and the moves before it are taken back.
PlacementResult CheckReplaceable(int folderFd, const std::vector<std::string>& names,
                                 const IsProtected& isProtected);

// Moves files from a staging folder into their folder as one step that either happens whole or
// not at all: before the first move every target is checked, and when a move fails or a signal
// arrives, the moves made are taken back. Without replace, a file never replaces another one
// (renameat2 RENAME_NOREPLACE, or link()+unlink() where the file system lacks it). With replace,
// the entry of the target name itself is replaced, so a link there is replaced by the file and
// what it pointed to stays as it was; the replaced entries end up in the staging folder
// (exchanged with RENAME_EXCHANGE where possible, else set aside first) until the staging
// folder is removed, so every move can be taken back. Runs in one folder place their files one
// after another (an flock() on the folder while placing).
class FilePlacement {
public:
    FilePlacement(int folderFd, int stagingFd, PlacementOptions options);

    // Moves `names` (files in the staging folder) into the folder, in order. Anything but
    // Placed leaves the folder as it was (unless undoFailed says otherwise).
    PlacementResult placeAll(const std::vector<std::string>& names);

    // Takes back every move placeAll made, latest first: for a run interrupted after its files
    // were placed. False, with `error` naming the files, when some could not be put back.
    bool undo(std::string& error);

private:
    enum class How { New, Exchanged, SetAside };
    struct Move {
        std::string name;
        How how;
        FileId placed;  // the staged file, now under the name
    };

    PlacementResult placeOne(size_t index, const std::string& name);
    PlacementResult replaceOne(const std::string& name, const FileId& staged);
    PlacementResult stopped(PlacementResult result);
    bool lockFolder();
    int moveWithoutReplacing(int fromFd, int toFd, const std::string& name) const;
    bool renameFlagsAllowed() const;

    int m_folder;
    int m_staging;
    PlacementOptions m_options;
    FileDescriptor m_lock;
    std::vector<Move> m_moves;
};

// Places `names` from `staging` into `folder` (FilePlacement::placeAll), syncs the folder, and
// takes every move back when a stop signal arrived meanwhile (then Interrupted, with undoFailed
// when some could not be put back). Once Placed, the staging folder with what the files replaced
// is removed and the files are there for good.
PlacementResult CommitStagedFiles(const OutputFolder& folder, StagingFolder& staging,
                                  const std::vector<std::string>& names,
                                  const PlacementOptions& options);

}  // namespace kelvista::fileio
