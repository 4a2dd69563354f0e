#include "MissingReplayFolder.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "ReplayLayout.h"

namespace kelvista {

ReplayRootFacts CurrentReplayRootFacts() {
    ReplayRootFacts facts;
    facts.settingsFile = UserSettingsFileState();
    facts.installFolder = ReadSettingText(kInstallFolderSetting);
    facts.replayFolder = ReplayFolder();
    return facts;
}

std::string MissingReplayFolderText(const ReplayRootFacts& facts) {
    const std::string root = facts.installFolder.value_or("");
    if (root.empty()) {
        const SettingsFileState& file = facts.settingsFile;
        if (file.outcome == SettingsFileState::Outcome::Refused) {
            return "no replay folder: cannot read the settings file " + file.location + ": " +
                   file.problem;
        }
        const std::string unset = std::string(kInstallFolderSetting) + " is not set";
        return "no replay folder at " + facts.replayFolder + " (" + unset +
               (file.outcome == SettingsFileState::Outcome::Absent
                    ? "; there is no settings file " + file.location + ")"
                    : ")");
    }
    // The root, a separator and the folder's name must fit a path with its terminator.
    const size_t replayPathLength = root.size() + 1 + std::strlen(kReplayFolderName);
    if (replayPathLength >= kPathCapacity) {
        return "no replay folder: " + std::string(kInstallFolderSetting) + " is too long (" +
               std::to_string(root.size()) + " bytes): its replay folder's path would be " +
               std::to_string(replayPathLength) + " bytes, over the " +
               std::to_string(kPathCapacity - 1) + "-byte limit of a path";
    }
    return "no replay folder at " + facts.replayFolder;
}

std::optional<std::string> ReplayFolderProblem() {
    const std::string folder = ReplayFolder();
    std::error_code ignored;
    if (!folder.empty() && std::filesystem::is_directory(folder, ignored)) {
        return std::nullopt;
    }
    return MissingReplayFolderText(CurrentReplayRootFacts());
}

}  // namespace kelvista
