#pragma once

#include <array>
#include <memory>
#include <string>

#include <QKeyCombination>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include "OffscreenSurface.h"
#include "ReplayViewLogic.h"
#include "ViewQuestions.h"

class QPainter;

namespace kelvista {

// The child window that fills the main window: the Qt shell of the view logic. It paints either
// the info screen or the current frame, and carries out what the logic asks of its window.
class ReplayView : public QWidget, private ViewShell, public ReplayViewLogic {
    Q_OBJECT
public:
    // One of the viewer's keys: the key and the command id it issues.
    struct Command {
        QKeyCombination key;
        int id;
    };
    // The viewer's only keys; the main window binds each window-wide. Qt reports SHIFT+TAB as
    // Backtab; its shortcut map matches that against Shift+Tab, which is why Shift+Tab is named.
    static const std::array<Command, 6> kCommands;

    explicit ReplayView(QWidget* parent = nullptr);
    ~ReplayView() override;

    // Replaces the dialogs the view asks its questions with (tests script the answers).
    void SetQuestions(std::unique_ptr<ViewQuestions> questions);

    OffscreenSurface m_surface;  // holds the last frame that loaded successfully

    // How long after a load the loader's spare pixel block is kept for the next frame: longer
    // than the gap between two key repeats, so that holding TAB reuses it every step.
    static constexpr int kSpareBlockKeepMs = 1000;

protected:
    void paintEvent(QPaintEvent* event) override;
    // TAB and SHIFT+TAB step frames; they never move the focus away from the view.
    bool focusNextPrevChild(bool next) override;

private:
    // ViewShell
    void SetMainWindowText(const std::string& text) override;
    ClientSize ViewClientSize() override;
    void ResizeMainWindowBy(int dx, int dy) override;
    ClientSize NaturalClientSize(int width, int height) override;
    void ShowMessage(const char* caption, const std::string& text) override;
    bool AskValue(const char* title, const char* label, std::string& value) override;
    void Invalidate(bool erase) override;
    DibSection SelectFrame(BitmapHandle bitmap) override;

    void PaintFrame(QPainter& painter, const QRect& exposed);
    void PaintInfo(QPainter& painter, const QRect& exposed);

    std::unique_ptr<ViewQuestions> m_questions;
    // Gives the spare pixel block back once stepping pauses, so a frame at rest costs the frame
    // and the window's backing store only.
    QTimer m_spareBlockRelease;
};

// The logical size at which a bitmap of `pixels` shows one frame pixel per device pixel.
QSize NaturalClientSize(QSize pixels, qreal devicePixelRatio);

}  // namespace kelvista
