#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include <QKeyCombination>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include "FrameBitmap.h"
#include "OffscreenSurface.h"
#include "SettingsStore.h"
#include "ViewQuestions.h"

class QPainter;

namespace kelvista {

// Command ids of the viewer's keys.
inline constexpr int ID_NEXT_FRAME = 32771;
inline constexpr int ID_PREV_FRAME = 32772;
inline constexpr int ID_GOTO_FRAME = 32773;
inline constexpr int ID_REFRESH = 32775;
inline constexpr int ID_STOP = 32776;
inline constexpr int ID_MAX_FRAMES = 32778;

// What the view paints: the info screen, or the frame held on its surface.
enum class ViewMode { Info, Frame };

// The child window that fills the main window: it keeps the position (session and frame),
// answers the six commands, loads frames and paints either the info screen or the current frame.
class ReplayView : public QWidget {
    Q_OBJECT
public:
    // One of the viewer's keys: the key, the command id it issues and the handler that answers.
    struct Command {
        QKeyCombination key;
        int id;
        void (ReplayView::*handler)();
    };
    // The viewer's only keys; the main window binds each window-wide. Qt reports SHIFT+TAB as
    // Backtab; its shortcut map matches that against Shift+Tab, which is why Shift+Tab is named.
    static const std::array<Command, 6> kCommands;

    explicit ReplayView(QWidget* parent = nullptr);
    ~ReplayView() override;

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

    // Replaces the dialogs the view asks its questions with (tests script the answers).
    void SetQuestions(std::unique_ptr<ViewQuestions> questions);

    BitmapHandle m_hBitmap;      // the loader's latest bitmap, until it moves onto the surface
    OffscreenSurface m_surface;  // holds the last frame that loaded successfully
    DibSection m_dib;            // geometry and pixels of the held frame; zero after a failed load
    ViewMode m_mode = ViewMode::Info;
    int32_t m_nSession = 0;
    int32_t m_nFrame = 0;
    int32_t m_nMaxFrames = kDefaultMaxFrames;  // frame count at which stepping wraps around

    // How long after a load the loader's spare pixel block is kept for the next frame: longer
    // than the gap between two key repeats, so that holding TAB reuses it every step.
    static constexpr int kSpareBlockKeepMs = 1000;

protected:
    void paintEvent(QPaintEvent* event) override;
    // TAB and SHIFT+TAB step frames; they never move the focus away from the view.
    bool focusNextPrevChild(bool next) override;

private:
    void OnPaint(const QRect& exposed);
    void PaintFrame(QPainter& painter, const QRect& exposed);
    void PaintInfo(QPainter& painter, const QRect& exposed);
    // Enters frame mode and, when the frame's files are present, makes it the position and
    // loads it.
    void ShowFrame(int32_t session, int32_t frame);
    void SetMainWindowText(const QString& text);
    void ShowMissingFrame(const char* caption, const std::string& basePath);

    std::unique_ptr<ViewQuestions> m_questions;
    // Gives the spare pixel block back once stepping pauses, so a frame at rest costs the frame
    // and the window's backing store only.
    QTimer m_spareBlockRelease;
};

// The logical size at which a bitmap of `pixels` shows one frame pixel per device pixel.
QSize NaturalClientSize(QSize pixels, qreal devicePixelRatio);

}  // namespace kelvista
