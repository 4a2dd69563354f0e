#pragma once

// What the view logic needs from the window it runs in. The Qt shell and the Win32 shell each
// supply these few operations; everything the view decides (position, mode, which frame is
// present, what the title and the info screen say) stays in ReplayViewLogic.

#include <string>

#include "FrameBitmap.h"

namespace kelvista {

struct ClientSize {
    int width = 0;
    int height = 0;
};

class ViewShell {
public:
    virtual ~ViewShell() = default;

    // The main window's title, given as the bytes the view composed (the caption as read).
    virtual void SetMainWindowText(const std::string& text) = 0;
    // The view's client area, and growing the main window by dx, dy while it keeps its place.
    virtual ClientSize ViewClientSize() = 0;
    virtual void ResizeMainWindowBy(int dx, int dy) = 0;
    // The client size at which a frame of width x height pixels shows one pixel per screen pixel.
    virtual ClientSize NaturalClientSize(int width, int height) { return {width, height}; }
    // A message box owned by the view, OK only.
    virtual void ShowMessage(const char* caption, const std::string& text) = 0;
    // The value dialog with the three texts; true when confirmed, `value` then holds the text.
    virtual bool AskValue(const char* title, const char* label, std::string& value) = 0;
    // Asks for a repaint of the whole client area, with or without the background erased.
    virtual void Invalidate(bool erase) = 0;
    // Takes a loaded 32-bit frame onto the off-screen surface, releasing the one held before.
    // Returns the record of the pixels the surface now shows, which a Stop whitens.
    virtual DibSection SelectFrame(BitmapHandle bitmap) = 0;
};

}  // namespace kelvista
