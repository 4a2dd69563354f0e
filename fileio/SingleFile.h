#pragma once

// SingleFile writes one file whole or not at all, under the rules of a multi-file placement: it
// is made in a staging folder beside its target and moved into place only once complete. Without
// `replace` an existing name (a link, a dangling one too) is never replaced; with it the entry
// itself is replaced (a link by the file, what it pointed to untouched). It is never written into
// a protected folder, nor through a link into one, nor over the file the caller reads. Only a
// regular file or a link is ever replaced. A stream is written into instead, replace or not: a
// FIFO, a character device, a link to one, or a link to /proc/self/fd/N (such as /dev/stdout),
// which is written to descriptor N itself; a socket or a block device, or a link to one, is
// refused.
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
        std::optional<FileId> input;        // the file the caller reads, never to be replaced
        bool dashIsStandardOutput = false;  // "-" names descriptor 1
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
            NotAFile,            // a socket or a block device, or a link to one: `reason`
            StreamUnusable,      // a stream that cannot be opened for writing: `reason`
        };
        Kind kind = Kind::FolderUnusable;
        std::string folderPath;  // the file's folder, as given
        std::string reason;
        PlacementResult check;
    };

    // Opens the file's folder (never making it), checks the target and makes the staging folder.
    // nullopt with `refusal` when it cannot go ahead.
    static std::optional<SingleFile> Prepare(const Request& request, Refusal& refusal);

    // Makes the file with `fill` and commits it (CommitStagedFiles), or fills the stream. A failed
    // fill is Failed with its reason, or Interrupted when a stop signal caused it; of a file,
    // nothing is left unless Placed.
    PlacementResult write(const FileFiller& fill);

    // True when the target is a stream, written into as it is.
    bool toStream() const { return m_stream.valid(); }

private:
    SingleFile(Request request, std::optional<OutputFolder> folder, std::string name,
               std::optional<StagingFolder> staging, FileDescriptor stream);

    Request m_request;
    std::optional<OutputFolder> m_folder;
    std::string m_name;
    std::optional<StagingFolder> m_staging;
    FileDescriptor m_stream;
};

// N when the link at `path` leads, link by link, to /proc/self/fd/N (or /dev/fd/N, or
// /proc/<this process>/fd/N): a name for the process's own descriptor N. nullopt otherwise.
std::optional<int> DescriptorLink(const std::string& path);

}  // namespace kelvista::fileio
