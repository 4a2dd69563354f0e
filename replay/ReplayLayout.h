#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvista {

inline constexpr size_t kPathCapacity = 260;      // bytes, terminator included
inline constexpr size_t kShortTextCapacity = 64;  // relative names, the build stamp

// The folder under the root that holds the sessions, and the separator between path parts.
inline constexpr char kReplayFolderName[] = "replay";
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Copies `src` up to its terminator into `dst`, never more than `size` bytes (`size` >= 1),
// zero-fills the rest and always terminates at dst[size - 1]. Returns `dst`.
char* CopyTruncated(char* dst, const char* src, size_t size);

// Root folder (the "InstallFolder" setting, read afresh) + separator + `relative`, into `dst`
// of `dstSize` bytes. A relative name that does not fit is left off; a root that fills the whole
// path capacity (259 bytes) leaves no room for the separator and comes back alone. Returns `dst`.
char* ComposeReplayPath(const char* relative, char* dst, size_t dstSize);

// Root folder + separator + `relative` whatever the length: where a name lies on disk. For
// listing folders and for messages; whether the viewer can name it is FrameBasePath's business.
std::string FullReplayPath(const std::string& relative);

// From numbers to paths.

// The full path of a frame without extension, <root>/replay/session<S>/frame<FFF>, composed as
// ComposeReplayPath composes it. nullopt when it does not fit the path capacity: the composition
// then leaves the relative name off and names the root itself, where no frame lies.
std::optional<std::string> FrameBasePath(int32_t session, int32_t frame);

// A session's folder relative to the root: "replay/session3".
std::string SessionRelativeFolder(int32_t session);

// A frame's name in its session folder, without extension: "frame007", "frame-01".
std::string FrameName(int32_t frame);

// <root>/replay and <root>/replay/session<S>, composed like FrameBasePath; empty when the whole
// does not fit a path (ComposeReplayPath would then name the root itself).
std::string ReplayFolder();
std::string SessionFolder(int32_t session);

// A position as the viewer's title shows it: "[3.007]".
std::string PositionText(int32_t session, int32_t frame);

// From names back to numbers. Only the one spelling the layout prints is accepted.

// Which of a frame's two files a name denotes.
enum class FrameFileKind { Screenshot, Caption };

struct FrameFileName {
    int32_t frame = 0;
    FrameFileKind kind = FrameFileKind::Screenshot;
};

// The session number of a folder named exactly as the layout prints it ("session%d": no leading
// zeros, no plus sign, "-" only before a non-zero number); nullopt for any other name.
std::optional<int32_t> ParseSessionFolderName(std::string_view name);

// The frame of a file named exactly as the layout prints it ("frame%03d" + ".bmp" or ".htm", so
// frame007, frame1234 and frame-01 follow it, frame07 and frame0007 do not); nullopt otherwise.
std::optional<FrameFileName> ParseFrameFileName(std::string_view name);

// Reads "SESSION.FRAME": two decimal int32 numbers, each with an optional '-', joined by one
// point, nothing else (leading zeros allowed: 3.007 is 3.7). False, with both outputs
// untouched, for anything else.
bool ParseSessionFrame(std::string_view text, int32_t& session, int32_t& frame);

// "SESSION.FRAME" as above, or "SESSION" alone, which leaves `frame` empty. False, with both
// outputs untouched, for anything else.
bool ParseSessionOrSessionFrame(std::string_view text, int32_t& session,
                                std::optional<int32_t>& frame);

// Files.

// True when `path` names a regular file (or a link to one) that can be opened for reading.
bool FileExists(const std::string& path);

// A frame is present when its screenshot exists and then its caption file exists.
bool FrameIsPresent(const std::string& basePath);

}  // namespace kelvista
