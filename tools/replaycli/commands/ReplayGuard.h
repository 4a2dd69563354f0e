#pragma once

// The tool's rule on the replay tree: no command writes into <InstallFolder>/replay nor anywhere
// below it, by whatever path or link it is named. It reaches the safe-write library as its
// predicate on folders (fileio::IsProtected); the words for a refusal are here.

#include <optional>
#include <string>
#include <string_view>

#include "OutputFolder.h"

namespace kelvista::replaycli {

// The start of every staging folder's name this tool makes: ".kelvista-replay-export-XXXXXX".
inline constexpr std::string_view kStagingOwner = ".kelvista-replay-";

// The replay folder of the settings, open by device and inode.
struct ProtectedFolder {
    fileio::FileId id;
    std::string path;  // for messages
};

// The replay tree of the settings (<InstallFolder>/replay), which no command writes into; nullopt
// when there is none to protect.
std::optional<ProtectedFolder> ProtectedReplayFolder();

// The predicate that protects `folder`: an empty one (nothing protected) for nullopt.
fileio::IsProtected Protecting(const std::optional<ProtectedFolder>& folder);

// The reason shown for a --force target that is a link into the replay folder.
inline constexpr std::string_view kLinkIntoReplayFolder = "is a link into the replay folder";

}  // namespace kelvista::replaycli
