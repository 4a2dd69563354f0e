// Draws the screenshot that software centres show of kelvista: the real viewer, started on a demo
// replay with settings of its own, after one TAB, that is frame 0.001 at its natural size.
// Usage: kelvista-make-screenshot DEMO_FOLDER OUT.png   (DEMO_FOLDER as kelvista-make-demo wrote)
#include <cstdio>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "MainFrame.h"
#include "ReplayApp.h"
#include "ReplayView.h"

namespace {

// The settings file the recorder would write, pointing at `demoFolder`.
bool WriteSettings(const QString& configFolder, const QString& demoFolder) {
    QFile file(configFolder + QStringLiteral("/Dravenor.conf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    QString escaped = demoFolder;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    const QByteArray text = QStringLiteral("[General]\nInstallFolder=\"%1\"\nreplay_maxframes=12\n")
                                .arg(escaped)
                                .toUtf8();
    return file.write(text) == text.size();
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kelvista-make-screenshot DEMO_FOLDER OUT.png\n");
        return 2;
    }
    QTemporaryDir config;
    if (!config.isValid() || !WriteSettings(config.path(), QFile::decodeName(argv[1]))) {
        std::fprintf(stderr, "kelvista-make-screenshot: cannot write the settings\n");
        return 1;
    }
    // Set before Qt starts, so the viewer reads these settings and needs no display.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);

    kelvista::ReplayApp viewer;
    if (!viewer.InitInstance()) {
        std::fprintf(stderr, "kelvista-make-screenshot: the viewer did not start\n");
        return 1;
    }
    kelvista::CMainFrame& window = *viewer.MainFrame();
    window.OnCmdMsg(kelvista::ID_NEXT_FRAME);
    QApplication::processEvents();

    kelvista::ReplayView& view = window.View();
    if (view.m_nFrame != 1 || view.m_dib.width == 0) {
        std::fprintf(stderr, "kelvista-make-screenshot: frame 0.001 of the demo did not load\n");
        return 1;
    }
    const QImage shot = window.grab().toImage();
    if (!shot.save(QFile::decodeName(argv[2]), "PNG")) {
        std::fprintf(stderr, "kelvista-make-screenshot: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("kelvista-make-screenshot: %s, %dx%d, titled \"%s\"\n", argv[2], shot.width(),
                shot.height(), qPrintable(window.windowTitle()));
    return 0;
}
