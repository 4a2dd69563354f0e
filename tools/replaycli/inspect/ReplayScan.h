#pragma once

// Listing a replay the way the viewer finds its frames: the replay folder's sessions, and each
// session folder's frame files, with the names the layout does not produce. A session folder is
// listed once and held open, so that its frames' files are then opened by name in it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "cli/Failure.h"

namespace kelvista::replaycli {

// A folder entry whose name the layout does not produce, or that is of the wrong type.
struct NameProblem {
    std::string path;    // relative to the root folder, e.g. "replay/session3/frame07.bmp"
    std::string reason;  // why it does not follow the layout
};

// What a session folder's listing says an entry is. The listing tells it for free on most file
// systems; where it does not (Unknown), only opening the name can tell.
enum class ListedType : uint8_t {
    Unknown,
    Regular,
    Link,
    Folder,
    Other,  // a pipe, a socket or a device
};

// A session folder held open while its frames are inspected: their files are opened by name
// relative to it (one lookup each, not one per folder of the full path). Opening a name there
// answers as opening the full path does, as long as the folder is not swapped meanwhile.
class SessionFolder {
public:
    explicit SessionFolder(std::string path);
    ~SessionFolder();
    SessionFolder(const SessionFolder&) = delete;
    SessionFolder& operator=(const SessionFolder&) = delete;

    const std::string& path() const { return m_path; }
    int fd() const { return m_fd; }  // -1 when the folder could not be opened
    int openError() const { return m_error; }

private:
    std::string m_path;
    int m_fd = -1;
    int m_error = 0;
};

// One frame number that has at least one of its two files in the session folder.
struct FrameEntry {
    int32_t frame = 0;
    bool screenshotListed = false;
    bool captionListed = false;
    ListedType screenshotType = ListedType::Unknown;
    ListedType captionType = ListedType::Unknown;
    // The folder the entry was listed in; the scans that list the entry keep it open.
    const SessionFolder* folder = nullptr;
};

// The entry's base path (its folder, a separator and its name) when it fits the viewer's paths,
// which is then exactly what FrameBasePath composes; nullopt when it does not, and the viewer then
// finds no frame there. `length` receives the base path's length either way.
std::optional<std::string> BasePathOf(const FrameEntry& entry, size_t& length);

struct SessionScan {
    int32_t session = 0;
    std::string folder;          // on disk, whether or not the viewer's paths can name it
    std::string relativeFolder;  // "replay/session3"
    bool readable = true;
    std::string error;                          // why the folder could not be listed
    std::shared_ptr<SessionFolder> openFolder;  // what the entries point at
    std::vector<FrameEntry> frames;             // by frame number
    std::vector<NameProblem> badNames;          // by name
};

// The sessions under the configured root, read the way the viewer finds them.
struct ReplayTree {
    std::string root;                   // the "InstallFolder" setting
    std::string replayFolder;           // ReplayFolder()
    std::vector<int32_t> sessions;      // ascending
    std::vector<NameProblem> badNames;  // entries of the replay folder, by name
};

// Lists one session folder: its frames, with what the listing says their files are, and the names
// that do not follow the layout. The folder stays open with the scan.
SessionScan ScanSession(int32_t session);

// Lists the replay folder of the configured root. A failure ("<command>: ...", exit 1) when it is
// missing or cannot be listed.
Result<ReplayTree> ScanReplayTree(const char* command);

// One session's scan, without listing the replay folder. A failure ("<command>: ...", exit 1)
// when there is no replay folder, or the session folder is missing or cannot be listed.
Result<SessionScan> ScanNamedSession(int32_t session, const char* command);

}  // namespace kelvista::replaycli
