#include <cstring>
#include <iostream>
#include <memory>
#include <ostream>

#include <unistd.h>

#include <QCoreApplication>
#include <QGuiApplication>

#include "FileOutputBuffer.h"
#include "FrameImage.h"
#include "cli/PathText.h"
#include "cli/Tool.h"

namespace {

// The command is the first argument that is not an option of the tool itself.
bool RunsCommandThatDraws(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') {
            return std::strcmp(argv[i], "sheet") == 0;
        }
    }
    return false;
}

QtMessageHandler g_startupHandler = nullptr;

void KeepStartupErrors(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        g_startupHandler(type, context, text);
    }
}

// Commands that draw text (the contact sheet) need the font database of a QGuiApplication; the
// tool never opens a window, so that one runs on the offscreen platform unless QT_QPA_PLATFORM
// says otherwise. Every other command gets a plain QCoreApplication and starts without any
// platform plugin.
std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv) {
    if (!RunsCommandThatDraws(argc, argv)) {
        return std::make_unique<QCoreApplication>(argc, argv);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Starting the platform warns about a desktop session the tool does not need ("XDG_RUNTIME_DIR
    // not set" under cron or root); stderr is for the tool's own lines. Errors still show.
    g_startupHandler = qInstallMessageHandler(KeepStartupErrors);
    auto application = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(g_startupHandler);
    return application;
}

}  // namespace

// SIGPIPE keeps its disposition: by default a reader that stops early (`ls | head`) ends the tool
// quietly, as it ends any other command; where the caller ignores it, the closed pipe is a write
// error that RunTool reports.
int main(int argc, char* argv[]) {
    using namespace kelvista::replaycli;
    const std::unique_ptr<QCoreApplication> application = CreateApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvista-replay"));
    kelvista::RouteTracesToQtLog();
    // Standard output in place of std::cout: its buffer keeps why a write failed, for the one line
    // RunTool prints then. The arguments are read from argv (after the application took its own)
    // rather than from QCoreApplication::arguments(), which loses bytes that are not UTF-8.
    kelvista::fileio::FileOutputBuffer output(STDOUT_FILENO);
    std::ostream out(&output);
    return RunTool(ArgumentTexts(argc - 1, argv + 1), {out, std::cerr});
}
