#include "Tool.h"

#include <string>
#include <system_error>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringBuilder>

#include "FileOutputBuffer.h"
#include "Output.h"
#include "PathText.h"
#include "SettingsStore.h"

namespace kelvista::replaycli {

int CommandStreams::fail(int exitCode, std::string message) const {
    err << "kelvista-replay: " << OneLineMessage(message) << "\n";
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
               "     (decode, frame: absent, not readable, refused, or OUT not written);\n"
               "     also whenever the output cannot be written (a full disk, a closed pipe\n"
               "     while SIGPIPE is ignored): one line on stderr then says why\n"
               "  2  usage error: unknown command or option, missing or extra argument\n"
               "  129, 130, 143  stopped by SIGHUP, SIGINT, SIGTERM while writing files (export,\n"
               "     sheet, decode and frame --png): what was written is taken back\n"
               "A reader that stops early (kelvista-replay ls | head) ends the tool by SIGPIPE,\n"
               "as it ends other commands, without a message.\n"
               "\n"
               "File and folder names are taken as the bytes given, whatever their encoding.\n"
               "Names printed in output and messages are escaped so that their bytes can be\n"
               "found again ('kelvista-replay check --help' gives the rule).\n"
               "\n"
               "Settings (read only, never written):\n"
               "  %2, the folder the replays lie under, is read from\n"
               "  %3\n"
               "  (on Unix $XDG_CONFIG_HOME/Dravenor.conf, by default ~/.config/Dravenor.conf).\n"
               "  A settings file that is not a regular file, cannot be read or is larger\n"
               "  than 1 MiB counts as missing, and is not waited on; a command that finds\n"
               "  no replay folder says why.\n")
        .arg(commands, QLatin1String(kInstallFolderSetting), DisplayPath(UserSettingsLocation()));
}

namespace {

// The tool's own options come before the command; everything after it is the command's. Sets
// `command` to "<name>: " once a command runs, for the line about output that failed.
int RunCommand(const QStringList& arguments, CommandStreams io, std::string& command) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows the help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOptions({help, version});
    if (!parser.parse(QStringList{QStringLiteral("kelvista-replay")} + arguments)) {
        return io.fail(kExitUsage, DisplayPath(parser.errorText()).toStdString() + " (see --help)");
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
    for (const Command& candidate : Commands()) {
        if (name == QLatin1String(candidate.name)) {
            command = std::string(candidate.name) + ": ";
            return candidate.run(commandArguments, io);
        }
    }
    return io.fail(kExitUsage,
                   "unknown command '" + DisplayPath(name).toStdString() + "' (see --help)");
}

// Output that did not reach its file makes the run fail: a script must not take a truncated
// report, or an empty one, for a complete one. Commands stop printing once the stream has failed.
int CheckOutput(int exitCode, const std::string& command, CommandStreams io) {
    io.out.flush();
    if (io.out.good()) {
        return exitCode;
    }
    const int error = fileio::WriteError(io.out);
    io.fail(kExitFailure, command + "cannot write the output" +
                              (error != 0 ? ": " + std::generic_category().message(error) : ""));
    return exitCode == kExitSuccess ? kExitFailure : exitCode;
}

}  // namespace

int RunTool(const QStringList& arguments, CommandStreams io) {
    std::string command;
    const int exitCode = RunCommand(arguments, io, command);
    return CheckOutput(exitCode, command, io);
}

}  // namespace kelvista::replaycli
