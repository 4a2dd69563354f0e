#pragma once

// Finding and reading one frame exactly as the viewer does, for the viewer and the tool alike
// (kelvista-replay's frame command, and its scan wherever it reads frames whole):
//   if (std::optional<std::string> base = FindFrame(session, frame)) {
//       BitmapHandle bitmap;
//       DibSection dib;
//       const FrameContent content = ReadFrame(*base, bitmap, dib);
//   }
// FindFrame is the presence test; ReadFrame then opens each file afresh, so a caption file that
// became unreadable in between is reported as such, as the viewer reports it. The scan, which has
// opened the screenshot already for its own presence test, reads the rest with ReadFrameAt.

#include <cstdint>
#include <optional>
#include <string>

#include "ChangeMap.h"
#include "FrameBitmap.h"

namespace kelvista {

// The frame's base path (FrameBasePath) when it is present: its screenshot and then its caption
// file open as regular files. nullopt when the path does not fit or a file is missing.
std::optional<std::string> FindFrame(int32_t session, int32_t frame);

// What reading a present frame gave.
struct FrameContent {
    enum class Outcome {
        Loaded,             // caption read, screenshot loaded into the bitmap and `dib`
        CaptionUnreadable,  // "MISSING FRAME (HTM)": nothing else was tried
        ScreenshotRefused,  // "MISSING FRAME (BMP)": the caption was read, the loader refused
    };
    Outcome outcome = Outcome::Loaded;
    std::string caption;  // raw bytes of the first line, once read
    int loaderCode = 0;   // LoadBMP's result, once tried
    // The unusable bitmap the loader may leave of a refused screenshot, for saying why.
    BitmapHandle refused;
};

// Reads the caption from basePath + ".htm", then loads basePath + ".bmp" with LoadBMP into
// `bitmap` and `dib`. A refused screenshot leaves `bitmap` empty and `dib` zero.
FrameContent ReadFrame(const std::string& basePath, BitmapHandle& bitmap, DibSection& dib);

#ifndef _WIN32
// The same reading for a frame whose files lie in the open folder `folderFd` under `name` (without
// extension), its screenshot already opened by the caller as a regular file of `screenshotSize`
// bytes. The reading takes over `screenshotFd` and closes it, whatever the outcome.
// `captionListedRegular` is ReadCaptionFileAt's hint from the folder's listing. With `changes`,
// the screenshot is loaded over the picture `bitmap` holds, the frame before (LoadBMPOpenFileOver),
// and `changes` maps what differs from it.
FrameContent ReadFrameAt(int folderFd, const std::string& name, int screenshotFd,
                         uint64_t screenshotSize, BitmapHandle& bitmap, DibSection& dib,
                         bool captionListedRegular = false, ChangeMap* changes = nullptr);
#endif

}  // namespace kelvista
