#pragma once

// OutputFolder is the folder a run writes into, opened once and then used only through its
// descriptor, so renaming folders on the way cannot redirect the writes. With `create` it makes
// the missing folders one by one and takes back the ones it made when the run wrote nothing.
// What the caller must never write into comes as a predicate on folders (IsProtected): the
// folder, and every folder on the way that would be made, is judged by device and inode through
// "..", so no link, ".." or bind mount hides a protected folder.
//
//     OutputFolder::Failure failure;
//     std::optional<OutputFolder> folder = OutputFolder::Open(path, true, isProtected, failure);
//     if (!folder) { /* failure.kind: CannotOpen (failure.errnum) or Protected */ }
//     WriteNewFile(folder->fd(), "out.txt", bytes, reason);
//     folder->removeMadeFolders();   // a no-op for folders that now hold files

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "FileDescriptor.h"

namespace kelvista::fileio {

// Which file a name stands for, whatever path led to it.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

FileId IdOf(const struct stat& info);

// The caller's rule on folders that nothing is written into, nor anywhere below them: true for
// such a folder. An empty function protects nothing.
using IsProtected = std::function<bool(const FileId& folder)>;

// True when the folder open as `folderFd`, or one of the folders above it, is protected. It walks
// up through ".." from the folder itself and judges device and inode, so it judges where the path
// led, not how it was spelt: links, ".." and bind mounts do not hide a protected folder.
bool LiesInside(int folderFd, const IsProtected& isProtected);

// True when `name` in `folderFd` is, or is a link that leads to, something inside a protected
// folder.
bool LeadsInside(int folderFd, const std::string& name, const IsProtected& isProtected);

// The folder a command writes into, open for the whole run. Every later step works relative to
// this descriptor, so renaming folders on the way to it cannot redirect the writes elsewhere.
class OutputFolder {
public:
    struct Failure {
        enum class Kind {
            CannotOpen,  // `errnum` says why (with create: the folder could not be made)
            Protected,   // the folder lies inside a protected one
        };
        Kind kind = Kind::CannotOpen;
        int errnum = 0;
    };

    // Opens the folder at `path` (file-system bytes). With `create`, makes it and its missing
    // parents first, one component at a time below the folders that exist; the ones it made are
    // remembered for removeMadeFolders(). Nothing is made inside a protected folder. nullopt and
    // `failure` when it cannot be opened or lies inside a protected folder.
    static std::optional<OutputFolder> Open(const std::string& path, bool create,
                                            const IsProtected& isProtected, Failure& failure);

    int fd() const { return m_fd.get(); }
    const std::string& path() const { return m_path; }

    // Writes the folder's entries to disk, once files were moved in. False with errno set.
    bool sync() const;

    // Removes the folders Open made, innermost first, as long as they are empty: a run that
    // failed leaves no trace, one that wrote files keeps their folders.
    void removeMadeFolders();

private:
    struct MadeFolder {
        FileDescriptor parent;
        std::string name;
    };

    FileDescriptor m_fd;
    std::string m_path;
    std::vector<MadeFolder> m_made;
};

}  // namespace kelvista::fileio
