#pragma once

#include <QWidget>

#include "ReplayView.h"

namespace kelvista {

// The main window: a top-level window whose only child, the view, fills its client area. It has
// no menu bar, toolbar or status bar and no maximise button (and refuses to be maximised), and
// routes the viewer's keys to the view. Its first outer size is 400 x 300 at the top-left corner of
// the screen.
class CMainFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFirstOuterWidth = 400;
    static constexpr int kFirstOuterHeight = 300;

    CMainFrame();

    ReplayView& View() { return m_wndView; }

    // Offers a command to the view; true when the view handled it.
    bool OnCmdMsg(int id);

    // Changes the window's size by dx, dy, keeping its position, then brings it to the top and
    // activates it. Returns 0.
    int ResizeMainWindowBy(int dx, int dy);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitFirstOuterSize();

    ReplayView m_wndView;
    // The window manager's frame is known only after the window is shown; until then the client
    // stands in for the outer size, and is shrunk by the frame once that is known.
    bool m_bFirstSizePending = true;
};

}  // namespace kelvista
