#pragma once

// The tool's rule on the replay tree: no command writes into <InstallFolder>/replay nor anywhere
// below it, by whatever path or link it is named. It reaches the safe-write library as its
// predicate on folders (fileio::IsProtected); the words for a refusal are here.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "OutputFolder.h"

namespace kelvista::replaycli {

// The start of every staging folder's name this tool makes: ".kelvista-replay-export-XXXXXX".
inline constexpr std::string_view kStagingOwner = ".kelvista-replay-";

// The folders whose frames the viewer reads, by device and inode: the replay folder and each of
// its session folders wherever it really lies (a session folder may be a link to another disk,
// or a bind mount of a folder elsewhere).
struct ProtectedFolder {
    std::vector<fileio::FileId> ids;
    std::string path;  // the replay folder, for messages
};

// The replay data of the settings (<InstallFolder>/replay and its sessions), which no command
// writes into, whatever the root's length; nullopt when there is no replay folder.
std::optional<ProtectedFolder> ProtectedReplayFolder();

// The predicate that protects `folder`: an empty one (nothing protected) for nullopt.
fileio::IsProtected Protecting(const std::optional<ProtectedFolder>& folder);

// The reason shown for a --force target that is a link into the replay folder.
inline constexpr std::string_view kLinkIntoReplayFolder = "is a link into the replay folder";

}  // namespace kelvista::replaycli
