#include <iostream>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include "Command.h"
#include "CommandArguments.h"
#include "FrameImage.h"
#include "Output.h"
#include "ToolApplication.h"

using namespace kelvista::replaycli;

int main(int argc, char* argv[]) {
    const auto application = CreateToolApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kelvista-replay"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KELVISTA_VERSION));
    kelvista::RouteTracesToQtLog();

    // The tool's own options come before the command; everything after it is the command's.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows the help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOptions({help, version});
    if (!parser.parse(QCoreApplication::arguments())) {
        PrintError(std::cerr, parser.errorText().toStdString() + " (see --help)");
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        PrintText(ToolHelpText());
        return kExitSuccess;
    }
    if (parser.isSet(version)) {
        PrintText(
            QStringLiteral("kelvista-replay %1\n").arg(QCoreApplication::applicationVersion()));
        return kExitSuccess;
    }
    QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty()) {
        PrintError(std::cerr, "no command given (see --help)");
        return kExitUsage;
    }
    const QString name = arguments.takeFirst();
    for (const Command& command : Commands()) {
        if (name == QLatin1String(command.name)) {
            return command.run(arguments);
        }
    }
    PrintError(std::cerr, "unknown command '" + name.toStdString() + "' (see --help)");
    return kExitUsage;
}
