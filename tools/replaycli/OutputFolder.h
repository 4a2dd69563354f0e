#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "FileDescriptor.h"

namespace kelvista::replaycli {

// Which file a name stands for, whatever path led to it.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

FileId IdOf(const struct stat& info);

// A folder that no command writes into, nor anywhere below it: the replay tree.
struct ProtectedFolder {
    FileId id;
    std::string path;  // for messages
};

// True when the folder open as `folderFd` is `folder` or lies anywhere below it. It walks up
// through ".." from the folder itself and compares device and inode, so it judges where the path
// led, not how it was spelt: links, ".." and bind mounts do not hide the tree.
bool LiesInside(int folderFd, const FileId& folder);

// True when `name` in `folderFd` is, or is a link that leads to, something inside `folder`.
bool LeadsInside(int folderFd, const std::string& name, const FileId& folder);

// The folder a command writes into, open for the whole run. Every later step works relative to
// this descriptor, so renaming folders on the way to it cannot redirect the writes elsewhere.
class OutputFolder {
public:
    struct Failure {
        enum class Kind {
            CannotOpen,  // `errnum` says why (with create: the folder could not be made)
            Protected,   // the folder lies inside the protected one
        };
        Kind kind = Kind::CannotOpen;
        int errnum = 0;
    };

    // Opens the folder at `path` (file-system bytes). With `create`, makes it and its missing
    // parents first, one component at a time below the folders that exist; the ones it made are
    // remembered for removeMadeFolders(). Nothing is made inside `protect`. nullopt and `failure`
    // when it cannot be opened or lies inside `protect`.
    static std::optional<OutputFolder> Open(const std::string& path, bool create,
                                            const ProtectedFolder* protect, Failure& failure);

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

}  // namespace kelvista::replaycli
