#pragma once

#include <optional>
#include <string>

#include <QString>

#include "Command.h"

namespace kelvista::replaycli {

// Loads a screenshot exactly as the viewer does (LoadBMP) and prints "status: N", and for a loaded
// bitmap "size: WxH" and "depth: D" (the file's bits per pixel). With `pngPath`, a loaded picture
// is also written there as an opaque PNG. Returns the exit code: success only when loaded (and
// written, when asked).
int ReportBitmap(const std::string& bmpPath, const std::optional<QString>& pngPath,
                 CommandStreams io);

}  // namespace kelvista::replaycli
