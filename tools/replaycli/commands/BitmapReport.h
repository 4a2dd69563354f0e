#pragma once

#include <optional>
#include <string>

#include "cli/Command.h"
#include "cli/CommandArguments.h"

namespace kelvista::replaycli {

// Where --png writes the loaded picture.
struct PngRequest {
    const char* command = "";  // "decode" or "frame", for messages
    std::string path;          // OUT as file-system bytes
    bool force = false;        // replaces an existing OUT
};

// The request of the parsed "--png OUT [--force]", none without --png.
std::optional<PngRequest> PngRequestOf(const char* command, const PngCommandArguments& arguments);

// Loads a screenshot exactly as the viewer does (LoadBMP) and prints "status: N", and for a loaded
// bitmap "size: WxH" and "depth: D" (the file's bits per pixel). With `png`, a loaded picture is
// also written to its path as an opaque PNG, under the rules of SingleFileOutput (never over the
// screenshot itself nor into the replay tree). Returns the exit code: success only when loaded
// (and written, when asked); 128 + the signal when one stopped the writing.
int ReportBitmap(const std::string& bmpPath, const std::optional<PngRequest>& png,
                 CommandStreams io);

}  // namespace kelvista::replaycli
