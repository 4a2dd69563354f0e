#pragma once

#include <optional>
#include <string>

#include "SettingsStore.h"

namespace kelvista {

// Why there is no replay folder to read: what decides it, and one line that says it.

struct ReplayRootFacts {
    SettingsFileState settingsFile;            // UserSettingsFileState()
    std::optional<std::string> installFolder;  // the setting whole, whatever its length
    std::string replayFolder;                  // ReplayFolder(): empty when it does not fit
};

// The facts as they are now.
ReplayRootFacts CurrentReplayRootFacts();

// For a replay folder that is not there, the first cause that applies:
//   the settings file cannot be read: "no replay folder: cannot read the settings file F: why";
//   InstallFolder is not set: "no replay folder at /replay (InstallFolder is not set)", naming
//     the settings file when there is none;
//   InstallFolder is too long for "<root>/replay" to fit a path (259 bytes): its length, the
//     replay folder path's length and the limit;
//   otherwise "no replay folder at <root>/replay".
std::string MissingReplayFolderText(const ReplayRootFacts& facts);

// That line for the configured replay folder as it is now; nullopt when it is a folder.
std::optional<std::string> ReplayFolderProblem();

}  // namespace kelvista
