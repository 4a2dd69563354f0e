#pragma once

// The replay view without a window: the position (session and frame), the mode, the six commands
// and the loading of a frame. A shell (ViewShell.h) carries it out on screen; the Qt viewer and
// the Win32 viewer run this same logic. It reads settings and frames only through replay/ and
// imaging/, and touches the window only through its shell.

#include <cstdint>
#include <string>

#include "FrameBitmap.h"
#include "SettingsStore.h"
#include "ViewShell.h"

namespace kelvista {

// Command ids of the viewer's keys.
inline constexpr int ID_NEXT_FRAME = 32771;
inline constexpr int ID_PREV_FRAME = 32772;
inline constexpr int ID_GOTO_FRAME = 32773;
inline constexpr int ID_REFRESH = 32775;
inline constexpr int ID_STOP = 32776;
inline constexpr int ID_MAX_FRAMES = 32778;

// The client size a Stop gives the view.
inline constexpr int kStopClientWidth = 400;
inline constexpr int kStopClientHeight = 300;

// What the view paints: the info screen, or the frame held on its surface.
enum class ViewMode { Info, Frame };

class ReplayViewLogic {
public:
    // Reads "replay_maxframes" now; the shell is used only from the first command on.
    explicit ReplayViewLogic(ViewShell& shell);

    // The commands of the viewer's keys.
    void OnNextFrame();
    void OnPrevFrame();
    void OnGotoFrame();
    void OnRefresh();
    void OnStop();
    void OnMaxFrames();

    // Runs the handler of a command id; false when the id is not one of the view's commands.
    bool OnCmdMsg(int id);

    // Loads the frame at `basePath` (caption into the title, bitmap onto the surface) and sizes
    // the main window to it. 0 when loaded, -1 when not (the user has been told).
    int LoadReplayFrame(const std::string& basePath);
    // Resizes the main window so that the view's client area becomes width x height.
    int ResizeClientTo(int width, int height);
    // Asks for a session and frame; 1 when confirmed (the arguments then hold the parsed
    // numbers), 0 when not.
    int AskSessionFrame(int32_t& session, int32_t& frame);

    // The info screen's ten lines, each ended by CR LF, as they read now.
    std::string InfoScreenText() const;

    BitmapHandle m_hBitmap;  // the loader's latest bitmap, until it moves onto the surface
    DibSection m_dib;        // the pixels the surface shows; zero after a failed bitmap load
    ViewMode m_mode = ViewMode::Info;
    int32_t m_nSession = 0;
    int32_t m_nFrame = 0;
    int32_t m_nMaxFrames = kDefaultMaxFrames;  // frame count at which stepping wraps around

private:
    // Enters frame mode and, when the frame's files are present, makes it the position and
    // loads it.
    void ShowFrame(int32_t session, int32_t frame);

    ViewShell& m_shell;
};

}  // namespace kelvista
