#include "ToolApplication.h"

#include <cstring>

#include <QGuiApplication>

namespace kelvista::replaycli {

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

}  // namespace

std::unique_ptr<QCoreApplication> CreateToolApplication(int& argc, char** argv) {
    if (!RunsCommandThatDraws(argc, argv)) {
        return std::make_unique<QCoreApplication>(argc, argv);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace kelvista::replaycli
