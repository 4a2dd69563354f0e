#include <QApplication>

#include "FrameImage.h"
#include "ReplayApp.h"

int main(int argc, char* argv[]) {
    // Qt takes its own platform options from the command line; the viewer takes none.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kelvista"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    kelvista::RouteTracesToQtLog();

    kelvista::ReplayApp theApp;
    if (!theApp.InitInstance()) {
        return 1;
    }
    return QApplication::exec();
}
