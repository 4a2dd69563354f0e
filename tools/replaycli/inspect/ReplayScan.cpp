#include "inspect/ReplayScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "MissingReplayFolder.h"
#include "ReplayLayout.h"
#include "SettingsStore.h"
#include "cli/PathText.h"

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

// The replay folder's listing; a one-line failure when it is missing or unreadable.
Result<ReplayTree> ListReplayTree() {
    ReplayTree tree;
    char root[kPathCapacity];
    ReadSettingString(kInstallFolderSetting, root, sizeof root);
    tree.root = root;
    tree.replayFolder = ReplayFolder();
    const std::string shown =
        EscapedName(tree.replayFolder.empty() ? tree.root : tree.replayFolder);

    if (std::optional<std::string> problem = ReplayFolderProblem()) {
        // The message quotes the settings file and the root: escaped like every printed name.
        return Failure{kExitFailure, EscapedName(*problem)};
    }
    std::error_code ec;
    fs::directory_iterator it(tree.replayFolder, ec);
    if (ec) {
        return Failure{kExitFailure, "cannot read " + shown + ": " + ec.message()};
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
        return Failure{kExitFailure, "cannot read " + shown + ": " + ec.message()};
    }
    std::sort(tree.sessions.begin(), tree.sessions.end());
    std::sort(tree.badNames.begin(), tree.badNames.end(), ByPath);
    return tree;
}

ListedType TypeOf(unsigned char type) {
    switch (type) {
        case DT_REG:
            return ListedType::Regular;
        case DT_LNK:
            return ListedType::Link;
        case DT_DIR:
            return ListedType::Folder;
        case DT_UNKNOWN:
            return ListedType::Unknown;
        default:
            return ListedType::Other;
    }
}

// Whether a name in the folder is a folder, or a link to one, as a path's status would say.
bool IsFolderIn(const SessionFolder& folder, const char* name, ListedType type) {
    if (type == ListedType::Folder) {
        return true;
    }
    if (type != ListedType::Link && type != ListedType::Unknown) {
        return false;
    }
    struct stat status {};
    return ::fstatat(folder.fd(), name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

// One frame file as listed.
struct ListedFile {
    int32_t frame;
    FrameFileKind kind;
    ListedType type;
};

// Lists `folder` into frame files and names that do not follow the layout. False, with errno's
// code in `error`, when the listing fails.
bool ListSessionFolder(const SessionFolder& folder, const std::string& relativeFolder,
                       std::vector<ListedFile>& files, std::vector<NameProblem>& badNames,
                       int& error) {
    // The listing reads a descriptor of its own; the folder's stays for the opens that follow.
    const int listing = ::fcntl(folder.fd(), F_DUPFD_CLOEXEC, 0);
    DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
    if (dir == nullptr) {
        error = errno;
        if (listing >= 0) {
            ::close(listing);
        }
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            const ListedType type = TypeOf(entry->d_type);
            if (const std::optional<FrameFileName> file = ParseFrameFileName(name)) {
                files.push_back({file->frame, file->kind, type});
            } else {
                const char* reason = IsFolderIn(folder, entry->d_name, type)
                                         ? "folder inside a session"
                                         : "not a frame file name (frame<NNN>.bmp/.htm)";
                badNames.push_back({relativeFolder + kPathSeparator + std::string(name), reason});
            }
        }
        errno = 0;
    }
    error = errno;
    ::closedir(dir);
    return error == 0;
}

}  // namespace

SessionFolder::SessionFolder(std::string path) : m_path(std::move(path)) {
    do {
        m_fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (m_fd < 0 && errno == EINTR);
    m_error = m_fd < 0 ? errno : 0;
}

SessionFolder::~SessionFolder() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::optional<std::string> BasePathOf(const FrameEntry& entry, size_t& length) {
    // The composition appends the relative name whole whenever the result fits the path
    // capacity, and the result is then the session's folder, a separator and the frame's name;
    // so the settings need not be read again for every frame.
    std::string path = entry.folder->path() + kPathSeparator + FrameName(entry.frame);
    length = path.size();
    if (path.size() >= kPathCapacity) {
        return std::nullopt;
    }
    return path;
}

SessionScan ScanSession(int32_t session) {
    SessionScan scan;
    scan.session = session;
    scan.folder = SessionFolderOnDisk(session);
    scan.relativeFolder = SessionRelativeFolder(session);
    scan.openFolder = std::make_shared<SessionFolder>(scan.folder);

    int error = scan.openFolder->openError();
    std::vector<ListedFile> files;
    if (error != 0 ||
        !ListSessionFolder(*scan.openFolder, scan.relativeFolder, files, scan.badNames, error)) {
        scan.readable = false;
        scan.error = std::generic_category().message(error);
        scan.badNames.clear();
        return scan;
    }
    std::sort(files.begin(), files.end(),
              [](const ListedFile& a, const ListedFile& b) { return a.frame < b.frame; });
    for (const ListedFile& file : files) {
        if (scan.frames.empty() || scan.frames.back().frame != file.frame) {
            FrameEntry& entry = scan.frames.emplace_back();
            entry.frame = file.frame;
            entry.folder = scan.openFolder.get();
        }
        FrameEntry& entry = scan.frames.back();
        if (file.kind == FrameFileKind::Screenshot) {
            entry.screenshotListed = true;
            entry.screenshotType = file.type;
        } else {
            entry.captionListed = true;
            entry.captionType = file.type;
        }
    }
    std::sort(scan.badNames.begin(), scan.badNames.end(), ByPath);
    return scan;
}

Result<ReplayTree> ScanReplayTree(const char* command) {
    Result<ReplayTree> tree = ListReplayTree();
    if (!tree) {
        return Failure{kExitFailure, command + (": " + tree.failure().message)};
    }
    return tree;
}

Result<SessionScan> ScanNamedSession(int32_t session, const char* command) {
    const std::string who = command + std::string(": ");
    if (std::optional<std::string> problem = ReplayFolderProblem()) {
        return Failure{kExitFailure, who + EscapedName(*problem)};
    }
    const std::string folder = SessionFolderOnDisk(session);
    struct stat status {};
    const int error = ::stat(folder.c_str(), &status) == 0 ? 0 : errno;
    if (error != 0 && error != ENOENT && error != ENOTDIR) {
        // The replay folder can be named but not searched.
        return Failure{kExitFailure, who + "cannot read " + EscapedName(ReplayFolder()) + ": " +
                                         std::generic_category().message(error)};
    }
    if (error != 0 || !S_ISDIR(status.st_mode)) {
        return Failure{kExitFailure, who + "no session " + std::to_string(session) +
                                         " (no folder " + EscapedName(folder) + ")"};
    }
    SessionScan scan = ScanSession(session);
    if (!scan.readable) {
        return Failure{kExitFailure,
                       who + "cannot read " + EscapedName(scan.folder) + ": " + scan.error};
    }
    return scan;
}

}  // namespace kelvista::replaycli
