#include "ViewerChildren.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "FrameImage.h"
#include "MainFrame.h"
#include "ReplayApp.h"
#include "ReplayView.h"

namespace kelvista::bench {
namespace {

// Notes the first paint event that reaches a widget of interest. An application-wide filter sees
// it before the widget handles it, so the paint is complete once control is back with the caller.
class FirstPaintWatcher : public QObject {
public:
    explicit FirstPaintWatcher(bool viewOnly) : m_viewOnly(viewOnly) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    bool painted() const { return m_painted; }
    void reset() { m_painted = false; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            (!m_viewOnly || qobject_cast<ReplayView*>(watched) != nullptr)) {
            m_painted = true;
        }
        return false;
    }

private:
    bool m_viewOnly;
    bool m_painted = false;
};

// A window whose paint draws one line of text, as the info screen does.
class TextWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("kelvista"));
    }
};

// A field of /proc/self/status given in kB ("VmRSS": resident now, "VmHWM": its peak), in
// bytes; 0 when it cannot be read.
uint64_t StatusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stoull(line.substr(field.size() + 1)) * 1024;
        }
    }
    return 0;
}

QtMessageHandler g_previousHandler = nullptr;

void FilterHeadlessWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
    if (type == QtWarningMsg && (message.contains(QLatin1String("does not support raise()")) ||
                                 message.contains(QLatin1String("XDG_RUNTIME_DIR")))) {
        return;
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, message);
    }
}

// Quits `loop` once `watcher` has seen a paint (checked between events).
void WaitForPaint(const FirstPaintWatcher& watcher, QEventLoop& loop) {
    if (watcher.painted()) {
        loop.quit();
    } else {
        QTimer::singleShot(1, &loop, [&watcher, &loop] { WaitForPaint(watcher, loop); });
    }
}

bool ProcessEventsUntil(const FirstPaintWatcher& watcher) {
    QElapsedTimer timer;
    timer.start();
    while (!watcher.painted() && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return watcher.painted();
}

// Reports the time and leaves at once: what follows the first paint is not measured.
int ReportPainted(bool painted) {
    if (!painted) {
        return 2;
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("painted %lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
    std::fflush(stdout);
    _exit(0);
}

void NameApplication() {
    QApplication::setApplicationName(QStringLiteral("kelvista"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
}

int BareWindow(int argc, char** argv, bool withText) {
    QApplication application(argc, argv);
    NameApplication();
    FirstPaintWatcher watcher(false);
    std::unique_ptr<QWidget> owned =
        withText ? std::make_unique<TextWindow>() : std::make_unique<QWidget>();
    QWidget& window = *owned;
    window.setWindowTitle(QStringLiteral("kelvista"));
    window.setGeometry(0, 0, CMainFrame::kFirstOuterWidth, CMainFrame::kFirstOuterHeight);
    window.show();
    return ReportPainted(ProcessEventsUntil(watcher));
}

int ViewerStartup(int argc, char** argv) {
    // As the program's own main() does.
    QApplication application(argc, argv);
    NameApplication();
    RouteTracesToQtLog();
    FirstPaintWatcher watcher(true);
    ReplayApp theApp;
    if (!theApp.InitInstance()) {
        return 2;
    }
    return ReportPainted(ProcessEventsUntil(watcher));
}

// Presses TAB `tabs` times, kKeyRepeatMs apart, as key events to the focused widget (the window's
// shortcut map sees them first, as it does a keyboard's), running the event loop between presses;
// returns once the last frame's paint is done (or after a minute, which the caller notices).
void HoldTab(ReplayView& view, int32_t tabs) {
    QEventLoop loop;
    FirstPaintWatcher painted(true);
    QTimer presses;
    int32_t sent = 0;
    QObject::connect(&presses, &QTimer::timeout, &loop, [&] {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : &view, Qt::Key_Tab);
        if (++sent == tabs) {
            presses.stop();
            painted.reset();
            QTimer::singleShot(0, &loop, [&] { WaitForPaint(painted, loop); });
        }
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    presses.start(kKeyRepeatMs);
    loop.exec();
}

int ViewerMemory(int argc, char** argv, int32_t tabs) {
    QApplication application(argc, argv);
    NameApplication();
    ReplayApp theApp;
    if (!theApp.InitInstance()) {
        return 2;
    }
    int messages = 0;
    ReplayView& view = theApp.MainFrame()->View();
    view.SetQuestions(std::make_unique<SilentQuestions>(messages));
    QCoreApplication::processEvents();
    const uint64_t idle = StatusBytes("VmRSS");

    const auto start = std::chrono::steady_clock::now();
    if (tabs == 0) {
        view.OnNextFrame();
        view.repaint();
        QCoreApplication::processEvents();
    } else {
        HoldTab(view, tabs);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const uint64_t peak = StatusBytes("VmHWM");
    const QImage& frame = view.m_surface.image();
    if (messages != 0 || frame.isNull() || view.m_nFrame != std::max(tabs, 1)) {
        return 3;
    }
    std::printf("idle %llu\npeak %llu\nloaded %dx%d\nelapsed %lld\n",
                static_cast<unsigned long long>(idle), static_cast<unsigned long long>(peak),
                frame.width(), frame.height(),
                static_cast<long long>(std::chrono::nanoseconds(elapsed).count()));
    std::fflush(stdout);
    return 0;
}

}  // namespace

void QuietenHeadlessWarnings() {
    if (g_previousHandler == nullptr) {
        g_previousHandler = qInstallMessageHandler(FilterHeadlessWarnings);
    }
}

int RunChildMode(int argc, char** argv) {
    if (argc < 2) {
        return -1;
    }
    const std::string_view mode = argv[1];
    if (mode != kChildBareWindow && mode != kChildTextWindow && mode != kChildViewer &&
        mode != kChildMemory && mode != kChildMemoryTabs) {
        return -1;
    }
    QuietenHeadlessWarnings();
    if (mode == kChildViewer) {
        return ViewerStartup(argc, argv);
    }
    if (mode == kChildMemoryTabs) {
        const int tabs = argc > 2 ? std::atoi(argv[2]) : 0;
        return tabs > 0 ? ViewerMemory(argc, argv, tabs) : 2;
    }
    return mode == kChildMemory ? ViewerMemory(argc, argv, 0)
                                : BareWindow(argc, argv, mode == kChildTextWindow);
}

}  // namespace kelvista::bench
