#pragma once

#include <cstdint>
#include <string>

#include "BmpFileWriter.h"
#include "InputFiles.h"

namespace kelvista::bench {

// The path of a frame's file without extension in the recorder's layout:
// <root>/replay/session<S>/frame<FFF>.
std::string ReplayFrameBase(const std::string& root, int32_t session, int32_t frame);

// Writes frames first .. first + count - 1 of `session` under `root`: screenshots of `size` in
// `layout` (each one slightly different, so no two files are the same) and one-line captions.
bool WriteReplayFrames(const std::string& root, int32_t session, int32_t first, int32_t count,
                       FrameSize size, BmpLayout layout);

// Writes <configHome>/Dravenor.conf pointing the viewer at `root`.
bool WriteViewerSettings(const std::string& configHome, const std::string& root, int32_t maxFrames);

}  // namespace kelvista::bench
