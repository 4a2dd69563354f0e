#pragma once

// StagingFolder is the hidden folder inside an output folder where a run makes its files before
// they are moved into place (FilePlacement.h), so that a half-made file never carries a real name.
// It is removed with everything in it when the object goes; the folder of a run that was killed
// outright is recognised by its free lock and removed by the next run (RemoveStaleStaging).
//
//     int errnum = 0;
//     std::optional<StagingFolder> staging =
//         StagingFolder::Create(folder.fd(), ".kelvista-replay-", "export", errnum);
//     WriteNewFile(staging->fd(), "a.png", bytes, reason);
//     CommitStagedFiles(folder, *staging, {"a.png"}, options);   // or: staging goes, a.png too

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "FileDescriptor.h"

namespace kelvista::fileio {

// A hidden folder inside an output folder where a run makes its files before they are moved into
// place: "<owner><command>-XXXXXX", where the owner names the program (".kelvista-replay-"). The
// run holds an flock() on the folder itself for its whole life, taken before the folder can be
// mistaken for a left-over, so a staging folder whose lock can be taken belongs to a run that is
// gone (killed, or the machine lost power) and the next run into that folder removes it.
class StagingFolder {
public:
    // Makes and locks a new staging folder in `parentFd`. nullopt with `errnum` on failure.
    static std::optional<StagingFolder> Create(int parentFd, std::string_view owner,
                                               std::string_view command, int& errnum);

    StagingFolder(StagingFolder&&) = default;
    StagingFolder& operator=(StagingFolder&&) = default;
    // Removes the folder with everything in it.
    ~StagingFolder();

    int fd() const { return m_fd.get(); }
    const std::string& name() const { return m_name; }

    // Removes the files in the folder and the folder itself, now.
    void remove();

private:
    StagingFolder() = default;

    FileDescriptor m_parent;
    FileDescriptor m_fd;  // open for reading: the lock, and listing what to remove
    std::string m_name;
};

// `owner` + a lower-case command + "-" + six letters or digits.
bool IsStagingName(std::string_view name, std::string_view owner);

// Removes the staging folders in `folderFd` left by runs that are gone: a folder (not a link) of
// a staging name, owned by this user, whose lock can be taken. Only files directly inside it are
// removed, never through a link; a folder holding anything else is left alone. Returns how many
// were removed.
size_t RemoveStaleStaging(int folderFd, std::string_view owner);

}  // namespace kelvista::fileio
