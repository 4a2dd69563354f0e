#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "Command.h"

namespace kelvista::replaycli {

// A folder entry whose name the layout does not produce, or that is of the wrong type.
struct NameProblem {
    std::string path;    // relative to the root folder, e.g. "replay/session3/frame07.bmp"
    std::string reason;  // why it does not follow the layout
};

// One frame number that has at least one of its two files in the session folder.
struct FrameEntry {
    int32_t frame = 0;
    bool screenshotListed = false;
    bool captionListed = false;
    // As the viewer composes it (FrameBasePath); nullopt when it does not fit the viewer's paths,
    // and the viewer then finds no frame here.
    std::optional<std::string> basePath;
    size_t pathLength = 0;  // bytes of the base path on disk
};

struct SessionScan {
    int32_t session = 0;
    std::string folder;          // on disk, whether or not the viewer's paths can name it
    std::string relativeFolder;  // "replay/session3"
    bool readable = true;
    std::string error;                  // why the folder could not be listed
    std::vector<FrameEntry> frames;     // by frame number
    std::vector<NameProblem> badNames;  // by name
};

// The sessions under the configured root, read the way the viewer finds them.
struct ReplayTree {
    std::string root;                   // the "InstallFolder" setting
    std::string replayFolder;           // ReplayFolder()
    std::vector<int32_t> sessions;      // ascending
    std::vector<NameProblem> badNames;  // entries of the replay folder, by name
};

// Lists one session folder: its frames (base paths as FrameBasePath composes them) and the names
// that do not follow the layout.
SessionScan ScanSession(int32_t session);

// Lists the replay folder of the configured root, or writes one line "<command>: ..." on `io.err`
// and sets exit code 1 when the folder is missing or cannot be listed.
std::optional<ReplayTree> ScanTreeOrFail(const char* command, CommandStreams io, int& exitCode);

// The session named on the command line: its scan, or one line on `io.err` and the exit code:
// 2 when the text is not a number, 1 when the tree or the session folder is missing or unreadable.
std::optional<SessionScan> ScanNamedSession(const QString& text, const char* command,
                                            CommandStreams io, int& exitCode);

}  // namespace kelvista::replaycli
