#include "Tool.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringBuilder>

#include "SettingsStore.h"

namespace kelvista::replaycli {

int CommandStreams::fail(int exitCode, std::string message) const {
    for (char& c : message) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    err << "kelvista-replay: " << message << "\n";
    err.flush();
    return exitCode;
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {DecodeCommand(), FrameCommand(),  LsCommand(),
                                                  CheckCommand(),  ExportCommand(), SheetCommand()};
    return commands;
}

QString ToolHelpText() {
    QString commands;
    for (const Command& command : Commands()) {
        const QString usage =
            QLatin1String(command.name) % QLatin1Char(' ') % QLatin1String(command.synopsis);
        commands += QStringLiteral("  %1\n      %2\n").arg(usage, QLatin1String(command.summary));
    }
    return QStringLiteral(
               "Usage: kelvista-replay [--help | --version] COMMAND [ARGUMENTS]\n"
               "\n"
               "Reads Dravenor replays the way the kelvista viewer reads them.\n"
               "\n"
               "Commands:\n"
               "%1"
               "  Run 'kelvista-replay COMMAND --help' for the details of one command.\n"
               "\n"
               "Options:\n"
               "  -h, --help     Shows this help.\n"
               "  -v, --version  Shows the version.\n"
               "\n"
               "Exit codes:\n"
               "  0  done (decode, frame: the picture was loaded)\n"
               "  1  the command failed or found a fault; each command's help says when\n"
               "     (decode, frame: absent, not readable, refused, or OUT not written)\n"
               "  2  usage error: unknown command or option, missing or extra argument\n"
               "  129, 130, 143  stopped by SIGHUP, SIGINT, SIGTERM while writing files (export,\n"
               "     sheet, decode and frame --png): what was written is taken back\n"
               "\n"
               "Settings (read only, never written):\n"
               "  %2, the folder the replays lie under, is read from\n"
               "  %3\n"
               "  (on Unix $XDG_CONFIG_HOME/Dravenor.conf, by default ~/.config/Dravenor.conf).\n")
        .arg(commands, QLatin1String(kInstallFolderSetting),
             QString::fromStdString(UserSettingsLocation()));
}

int RunTool(const QStringList& arguments, CommandStreams io) {
    // The tool's own options come before the command; everything after it is the command's.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows the help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOptions({help, version});
    if (!parser.parse(QStringList{QStringLiteral("kelvista-replay")} + arguments)) {
        return io.fail(kExitUsage, parser.errorText().toStdString() + " (see --help)");
    }
    if (parser.isSet(help)) {
        io.out << ToolHelpText().toStdString();
        return kExitSuccess;
    }
    if (parser.isSet(version)) {
        io.out << "kelvista-replay " KELVISTA_VERSION "\n";
        return kExitSuccess;
    }
    QStringList commandArguments = parser.positionalArguments();
    if (commandArguments.isEmpty()) {
        return io.fail(kExitUsage, "no command given (see --help)");
    }
    const QString name = commandArguments.takeFirst();
    for (const Command& command : Commands()) {
        if (name == QLatin1String(command.name)) {
            return command.run(commandArguments, io);
        }
    }
    return io.fail(kExitUsage, "unknown command '" + name.toStdString() + "' (see --help)");
}

}  // namespace kelvista::replaycli
