#include "ReplayScan.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "DecimalNumber.h"
#include "ReplayLayout.h"
#include "SettingsStore.h"

namespace kelvista::replaycli {

namespace {

namespace fs = std::filesystem;

bool IsDirectory(const fs::directory_entry& entry) {
    std::error_code ignored;
    return entry.is_directory(ignored);
}

bool ByPath(const NameProblem& a, const NameProblem& b) {
    return a.path < b.path;
}

// The session's folder on disk, also when its path is too long for the viewer, whose frames are
// then reported as such.
std::string SessionFolderOnDisk(int32_t session) {
    return FullReplayPath(SessionRelativeFolder(session));
}

// True when the session's folder exists.
bool SessionExists(int32_t session) {
    std::error_code ignored;
    return fs::is_directory(SessionFolderOnDisk(session), ignored);
}

// The replay folder's listing; nullopt and a one-line `error` when it is missing or unreadable.
std::optional<ReplayTree> ScanReplayTree(std::string& error) {
    ReplayTree tree;
    char root[kPathCapacity];
    ReadSettingString(kInstallFolderSetting, root, sizeof root);
    tree.root = root;
    tree.replayFolder = ReplayFolder();
    const std::string shown = tree.replayFolder.empty() ? tree.root : tree.replayFolder;
    const std::string unset =
        tree.root.empty() ? std::string(" (") + kInstallFolderSetting + " is not set)" : "";

    std::error_code ec;
    if (tree.replayFolder.empty() || !fs::is_directory(tree.replayFolder, ec)) {
        error = "no replay folder at " + shown + unset;
        return std::nullopt;
    }
    fs::directory_iterator it(tree.replayFolder, ec);
    if (ec) {
        error = "cannot read " + shown + ": " + ec.message();
        return std::nullopt;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string relative = std::string(kReplayFolderName) + kPathSeparator + name;
        const std::optional<int32_t> session = ParseSessionFolderName(name);
        if (!session) {
            tree.badNames.push_back({relative, "not a session folder name (session<N>)"});
        } else if (!IsDirectory(*it)) {
            tree.badNames.push_back({relative, "named like a session but not a folder"});
        } else {
            tree.sessions.push_back(*session);
        }
    }
    if (ec) {
        error = "cannot read " + shown + ": " + ec.message();
        return std::nullopt;
    }
    std::sort(tree.sessions.begin(), tree.sessions.end());
    std::sort(tree.badNames.begin(), tree.badNames.end(), ByPath);
    return tree;
}

// FrameBasePath of a frame listed in `folder`, the session's folder on disk, without reading the
// settings for every frame: the composition appends the relative name whole whenever the result
// fits the path capacity, and the result is then the folder, a separator and the frame's name.
FrameEntry& WithBasePath(FrameEntry& entry, const std::string& folder) {
    std::string path = folder + kPathSeparator + FrameName(entry.frame);
    entry.pathLength = path.size();
    if (path.size() < kPathCapacity) {
        entry.basePath = std::move(path);
    }
    return entry;
}

}  // namespace

SessionScan ScanSession(int32_t session) {
    SessionScan scan;
    scan.session = session;
    scan.folder = SessionFolderOnDisk(session);
    scan.relativeFolder = SessionRelativeFolder(session);

    std::error_code ec;
    fs::directory_iterator it(scan.folder, ec);
    if (ec) {
        scan.readable = false;
        scan.error = ec.message();
        return scan;
    }
    std::map<int32_t, FrameEntry> frames;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::optional<FrameFileName> file = ParseFrameFileName(name);
        if (!file) {
            const char* reason = IsDirectory(*it) ? "folder inside a session"
                                                  : "not a frame file name (frame<NNN>.bmp/.htm)";
            scan.badNames.push_back({scan.relativeFolder + kPathSeparator + name, reason});
            continue;
        }
        FrameEntry& entry = frames[file->frame];
        entry.frame = file->frame;
        if (file->kind == FrameFileKind::Screenshot) {
            entry.screenshotListed = true;
        } else {
            entry.captionListed = true;
        }
    }
    if (ec) {
        scan.readable = false;
        scan.error = ec.message();
        return scan;
    }
    scan.frames.reserve(frames.size());
    for (auto& [frame, entry] : frames) {
        scan.frames.push_back(std::move(WithBasePath(entry, scan.folder)));
    }
    std::sort(scan.badNames.begin(), scan.badNames.end(), ByPath);
    return scan;
}

std::optional<ReplayTree> ScanTreeOrFail(const char* command, CommandStreams io, int& exitCode) {
    std::string error;
    std::optional<ReplayTree> tree = ScanReplayTree(error);
    if (!tree) {
        exitCode = io.fail(kExitFailure, command + (": " + error));
    }
    return tree;
}

std::optional<SessionScan> ScanNamedSession(const QString& text, const char* command,
                                            CommandStreams io, int& exitCode) {
    const std::string who = command + std::string(": ");
    int32_t session = 0;
    if (!ParseDecimalInt32(text.toStdString(), session)) {
        exitCode =
            io.fail(kExitUsage, who + "'" + text.toStdString() + "' is not a session number");
        return std::nullopt;
    }
    if (!ScanTreeOrFail(command, io, exitCode)) {
        return std::nullopt;
    }
    if (!SessionExists(session)) {
        exitCode = io.fail(kExitFailure, who + "no session " + std::to_string(session) +
                                             " (no folder " + SessionFolderOnDisk(session) + ")");
        return std::nullopt;
    }
    SessionScan scan = ScanSession(session);
    if (!scan.readable) {
        exitCode = io.fail(kExitFailure, who + "cannot read " + scan.folder + ": " + scan.error);
        return std::nullopt;
    }
    return scan;
}

}  // namespace kelvista::replaycli
