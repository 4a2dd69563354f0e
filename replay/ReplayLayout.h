#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvista {

inline constexpr size_t kPathCapacity = 260;      // bytes, terminator included
inline constexpr size_t kShortTextCapacity = 64;  // relative names, the build stamp

// Copies `src` up to its terminator into `dst`, never more than `size` bytes (`size` >= 1),
// zero-fills the rest and always terminates at dst[size - 1]. Returns `dst`.
char* CopyTruncated(char* dst, const char* src, size_t size);

// Root folder (the "InstallFolder" setting, read afresh) + separator + `relative`, into `dst`
// of `dstSize` bytes. A relative name that does not fit is left off; a root that fills the whole
// path capacity (259 bytes) leaves no room for the separator and comes back alone. Returns `dst`.
char* ComposeReplayPath(const char* relative, char* dst, size_t dstSize);

// The full path of a frame without extension: <root>/replay/session<S>/frame<FFF>.
std::string FrameBasePath(int32_t session, int32_t frame);

// True when `path` names a regular file (or a link to one) that can be opened for reading.
bool FileExists(const std::string& path);

// A frame is present when its screenshot exists and then its caption file exists.
bool FrameIsPresent(const std::string& basePath);

}  // namespace kelvista
