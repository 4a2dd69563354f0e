#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvista::replaycli {

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

// A position as the viewer's title shows it: "[3.007]".
std::string PositionText(int32_t session, int32_t frame);

}  // namespace kelvista::replaycli
