#pragma once

// SingleFile writes one file whole or not at all, under the rules of a multi-file placement: it
// is made in a staging folder beside its target and moved into place only once complete. Without
// `replace` an existing name (a link, a dangling one too) is never replaced; with it the entry
// itself is replaced (a link by the file, what it pointed to untouched). It is never written into
// a protected folder, nor through a link into one, nor over the file the caller reads.
//
//     SingleFile::Refusal refusal;
//     std::optional<SingleFile> file = SingleFile::Prepare(request, refusal);
//     if (!file) { /* refusal.kind says why, before anything was written */ }
//     const PlacementResult result = file->write(fill);   // Placed: the file is there for good

#include <optional>
#include <string>
#include <string_view>

#include "FilePlacement.h"
#include "NewFile.h"
#include "OutputFolder.h"
#include "StagingFolder.h"

namespace kelvista::fileio {

class SingleFile {
public:
    struct Request {
        std::string path;        // file-system bytes, as given
        std::string_view owner;  // names the staging folder (StagingFolder.h)
        std::string_view command;
        bool replace = false;
        IsProtected isProtected;
        std::optional<FileId> input;  // the file the caller reads, never to be replaced
    };

    struct Refusal {
        enum class Kind {
            NotAFileName,        // the path ends in "/", "." or ".."
            FolderProtected,     // the file's folder lies inside a protected one
            FolderUnusable,      // the folder cannot be opened or written to: `reason`
            LeadsIntoProtected,  // the name is, or leads to, something inside a protected folder
            IsInput,             // the name is the caller's input file
            Exists,              // without replace: the name exists
            CannotReplace,       // with replace: `check` says why not
        };
        Kind kind = Kind::FolderUnusable;
        std::string folderPath;  // the file's folder, as given
        std::string reason;
        PlacementResult check;
    };

    // Opens the file's folder (never making it), removes staging folders left there by runs that
    // are gone, checks the target and makes the staging folder. nullopt with `refusal` when it
    // cannot go ahead.
    static std::optional<SingleFile> Prepare(const Request& request, Refusal& refusal);

    // Makes the file with `fill` and commits it (CommitStagedFiles). A failed fill is Failed with
    // its reason, or Interrupted when a stop signal caused it; nothing is left unless Placed.
    PlacementResult write(const FileFiller& fill);

private:
    SingleFile(Request request, OutputFolder folder, std::string name, StagingFolder staging);

    Request m_request;
    OutputFolder m_folder;
    std::string m_name;
    StagingFolder m_staging;
};

}  // namespace kelvista::fileio
