#pragma once

#include <string_view>

#include <QString>

#include "ViewQuestions.h"

namespace kelvista::bench {

// The viewer benchmark starts itself again in one of these modes, so that start-up and memory are
// measured in a fresh process. Each writes its measurements to standard output as "key value"
// lines. QT_QPA_PLATFORM and XDG_CONFIG_HOME come from the parent.
inline constexpr std::string_view kChildBareWindow = "--child=startup-bare";
inline constexpr std::string_view kChildTextWindow = "--child=startup-text";
inline constexpr std::string_view kChildViewer = "--child=startup-viewer";
inline constexpr std::string_view kChildMemory = "--child=memory";
inline constexpr std::string_view kChildMemoryTabs = "--child=memory-tabs";

// The interval of the TAB presses in the memory-tabs mode: a keyboard's auto-repeat (about 30
// presses a second) with the key held down.
inline constexpr int kKeyRepeatMs = 33;

// Runs the mode named by argv[1] when it is one of them; -1 when it is not.
//   startup-bare:   a plain QWidget of the main window's first size, shown; prints "painted <ns>"
//                   (steady clock) once its first paint is done.
//   startup-text:   the same window painting one line of text with the default font, which is
//                   what the viewer's info screen needs from Qt besides a window.
//   startup-viewer: the viewer's own start-up (application object, main window, view); prints
//                   "painted <ns>" once the view has painted the info screen.
//   memory:         the viewer on the info screen, then Next onto frame 1 and its paint; prints
//                   "idle <bytes>" (resident on the info screen) and "peak <bytes>" (highest
//                   resident set while showing the frame), and "loaded <width>x<height>".
//   memory-tabs N:  the viewer on the info screen, then N TAB key presses kKeyRepeatMs apart
//                   through the event loop (the window's shortcuts, loads and paints in between),
//                   ending on frame N; prints "idle" and "peak" as above, "loaded", and
//                   "elapsed <ns>" from the first press until frame N is painted.
int RunChildMode(int argc, char** argv);

// Drops the warnings Qt's offscreen platform gives for what it cannot do (raising a window) and
// for a missing XDG_RUNTIME_DIR, which would bury the results; everything else is passed on.
void QuietenHeadlessWarnings();

// Answers the view without a modal dialog, which would stop a benchmark for good: every question
// is declined and every message counted.
class SilentQuestions : public ViewQuestions {
public:
    explicit SilentQuestions(int& messageCount) : m_messageCount(messageCount) {}

    bool AskValue(QWidget*, const QString&, const QString&, QString&) override { return false; }
    void ShowMessage(QWidget*, const QString&, const QString&) override { ++m_messageCount; }

private:
    int& m_messageCount;
};

}  // namespace kelvista::bench
