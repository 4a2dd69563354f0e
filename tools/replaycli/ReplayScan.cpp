#include "ReplayScan.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "LayoutNames.h"
#include "ReplayLayout.h"
#include "SettingsStore.h"

namespace kelvista::replaycli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kReplayFolderName = "replay";

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// ComposeReplayPath leaves a relative name off when the whole does not fit; such a path names
// the root itself and must not be listed as if it were the folder asked for.
std::optional<std::string> ComposeFolder(const std::string& relative) {
    char path[kPathCapacity];
    ComposeReplayPath(relative.c_str(), path, sizeof path);
    const std::string composed = path;
    if (composed.size() < relative.size() ||
        composed.compare(composed.size() - relative.size(), relative.size(), relative) != 0) {
        return std::nullopt;
    }
    return composed;
}

std::string SessionRelativeName(int32_t session) {
    char name[kShortTextCapacity];
    std::snprintf(name, sizeof name, "%s%csession%d", kReplayFolderName, kSeparator, session);
    return name;
}

bool IsDirectory(const fs::directory_entry& entry) {
    std::error_code ignored;
    return entry.is_directory(ignored);
}

bool ByPath(const NameProblem& a, const NameProblem& b) {
    return a.path < b.path;
}

}  // namespace

std::string SessionFolder(int32_t session) {
    return ComposeFolder(SessionRelativeName(session)).value_or(std::string());
}

bool SessionExists(int32_t session) {
    const std::string folder = SessionFolder(session);
    std::error_code ignored;
    return !folder.empty() && fs::is_directory(folder, ignored);
}

std::optional<ReplayTree> ScanReplayTree(std::string& error) {
    ReplayTree tree;
    char root[kPathCapacity];
    ReadSettingString(kInstallFolderSetting, root, sizeof root);
    tree.root = root;
    tree.replayFolder = ComposeFolder(kReplayFolderName).value_or(std::string());
    const std::string shown = tree.replayFolder.empty() ? tree.root : tree.replayFolder;
    const std::string unset = tree.root.empty() ? " (InstallFolder is not set)" : "";

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
        const std::string relative = std::string(kReplayFolderName) + kSeparator + name;
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

SessionScan ScanSession(int32_t session) {
    SessionScan scan;
    scan.session = session;
    scan.folder = SessionFolder(session);
    scan.relativeFolder = SessionRelativeName(session);

    std::error_code ec;
    fs::directory_iterator it(scan.folder, ec);
    if (ec || scan.folder.empty()) {
        scan.readable = false;
        scan.error = ec ? ec.message() : "path too long";
        return scan;
    }
    std::map<int32_t, FrameEntry> frames;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::optional<FrameFileName> file = ParseFrameFileName(name);
        if (!file) {
            const char* reason = IsDirectory(*it) ? "folder inside a session"
                                                  : "not a frame file name (frame<NNN>.bmp/.htm)";
            scan.badNames.push_back({scan.relativeFolder + kSeparator + name, reason});
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
        entry.basePath = FrameBasePath(session, frame);
        scan.frames.push_back(std::move(entry));
    }
    std::sort(scan.badNames.begin(), scan.badNames.end(), ByPath);
    return scan;
}

}  // namespace kelvista::replaycli
