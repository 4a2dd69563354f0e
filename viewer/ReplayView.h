#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QSize>
#include <QWidget>

#include "FrameBitmap.h"
#include "OffscreenSurface.h"
#include "SettingsStore.h"
#include "ViewQuestions.h"

namespace kelvista {

// The child window that fills the main window: it keeps the position (session and frame),
// answers the six commands, loads frames and paints either the info screen or the current frame.
class ReplayView : public QWidget {
    Q_OBJECT
public:
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

    const OffscreenSurface& surface() const { return m_hMemDC; }

    BitmapHandle m_hBitmap;     // the loader's latest bitmap, until it moves onto the surface
    OffscreenSurface m_hMemDC;  // holds the last frame that loaded successfully
    DibSection m_dib;           // geometry and pixels of the held frame; zero after a failed load
    int32_t m_bFrameMode = 0;   // 0: info screen, 1: frame mode
    int32_t m_nSession = 0;
    int32_t m_nFrame = 0;
    int32_t m_nMaxFrames = kDefaultMaxFrames;  // frame count at which stepping wraps around

protected:
    void paintEvent(QPaintEvent* event) override;
    // TAB and SHIFT+TAB step frames; they never move the focus away from the view.
    bool focusNextPrevChild(bool next) override;

private:
    void OnPaint(const QRect& exposed);
    void PaintFrame(class QPainter& painter, const QRect& exposed);
    void PaintInfo(class QPainter& painter, const QRect& exposed);
    void StepTo(int32_t frame);
    void SetMainWindowText(const QString& text);
    void ShowMissingFrame(const char* caption, const std::string& basePath);

    std::unique_ptr<ViewQuestions> m_questions;
};

// The logical size at which a bitmap of `pixels` shows one frame pixel per device pixel.
QSize NaturalClientSize(QSize pixels, qreal devicePixelRatio);

}  // namespace kelvista
