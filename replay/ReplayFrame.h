#pragma once

// Finding and reading one frame exactly as the viewer does, for the viewer and the tool alike:
//   if (std::optional<std::string> base = FindFrame(session, frame)) {
//       BitmapHandle bitmap;
//       DibSection dib;
//       const FrameContent content = ReadFrame(*base, bitmap, dib);
//   }
// FindFrame is the presence test; ReadFrame then opens each file afresh, so a caption file that
// became unreadable in between is reported as such, as the viewer reports it.

#include <cstdint>
#include <optional>
#include <string>

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
};

// Reads the caption from basePath + ".htm", then loads basePath + ".bmp" with LoadBMP into
// `bitmap` and `dib`. A refused screenshot leaves `bitmap` empty and `dib` zero.
FrameContent ReadFrame(const std::string& basePath, BitmapHandle& bitmap, DibSection& dib);

}  // namespace kelvista
