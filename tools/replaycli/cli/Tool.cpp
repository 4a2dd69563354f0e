#include "cli/Tool.h"

#include <exception>
#include <new>
#include <string>
#include <system_error>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QUnhandledException>

#include "FileOutputBuffer.h"
#include "SettingsStore.h"
#include "cli/CommandArguments.h"
#include "cli/HelpText.h"
#include "cli/Output.h"
#include "cli/PathText.h"

namespace kelvista::replaycli {

int CommandStreams::report(const Failure& failure) const {
    if (!failure.message.empty()) {
        err << "kelvista-replay: " << OneLineMessage(failure.message) << "\n";
        err.flush();
    }
    return failure.exitCode;
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {DecodeCommand(), FrameCommand(), DiffCommand(),
                                                  LsCommand(),     CheckCommand(), ExportCommand(),
                                                  SheetCommand()};
    return commands;
}

namespace {

Status RunCommand(const Command& command, const QStringList& arguments, CommandStreams io) {
    const Result<ParsedArguments> parsed = ParseArguments(command, arguments);
    if (!parsed) {
        return parsed.failure();
    }
    if (parsed->helpRequested()) {
        io.out << CommandHelpText(command).toStdString();
        return {};
    }
    // The run sees one state of the settings, however often it asks.
    const SettingsSnapshot settings;
    return command.run(*parsed, io);
}

// The tool's own options come before the command; everything after it is the command's. Sets
// `command` to "<name>: " once a command runs, for the line about output that failed.
Status RunArguments(const QStringList& arguments, CommandStreams io, std::string& command) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows the help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version."));
    parser.addOptions({help, version});
    if (!parser.parse(QStringList{QStringLiteral("kelvista-replay")} + arguments)) {
        return Failure{kExitUsage, DisplayPath(parser.errorText()).toStdString() + " (see --help)"};
    }
    if (parser.isSet(help)) {
        io.out << ToolHelpText(Commands()).toStdString();
        return {};
    }
    if (parser.isSet(version)) {
        io.out << "kelvista-replay " KELVISTA_VERSION "\n";
        return {};
    }
    QStringList commandArguments = parser.positionalArguments();
    if (commandArguments.isEmpty()) {
        return Failure{kExitUsage, "no command given (see --help)"};
    }
    const QString name = commandArguments.takeFirst();
    for (const Command& candidate : Commands()) {
        if (name == QLatin1String(candidate.name)) {
            command = std::string(candidate.name) + ": ";
            return RunCommand(candidate, commandArguments, io);
        }
    }
    return Failure{kExitUsage,
                   "unknown command '" + DisplayPath(name).toStdString() + "' (see --help)"};
}

// Output that did not reach its file makes the run fail: a script must not take a truncated
// report, or an empty one, for a complete one. Commands stop printing once the stream has failed.
int CheckOutput(int exitCode, const std::string& command, CommandStreams io) {
    io.out.flush();
    if (io.out.good()) {
        return exitCode;
    }
    const int error = fileio::WriteError(io.out);
    io.report(
        {kExitFailure, command + "cannot write the output" +
                           (error != 0 ? ": " + std::generic_category().message(error) : "")});
    return exitCode == kExitSuccess ? kExitFailure : exitCode;
}

// Memory that could not be had anywhere in a run (a picture, a table, a worker's result) ends it
// as what it is; what it had made on the way is undone as the run unwinds.
Status RunUnlessOutOfMemory(const QStringList& arguments, CommandStreams io, std::string& command) {
    try {
        try {
            return RunArguments(arguments, io, command);
        } catch (const QUnhandledException& unhandled) {
            // A worker's exception, handed on by the thread pool.
            if (unhandled.exception()) {
                std::rethrow_exception(unhandled.exception());
            }
            throw;
        }
    } catch (const std::bad_alloc&) {
        return Failure{kExitFailure, command + "out of memory"};
    }
}

}  // namespace

int RunTool(const QStringList& arguments, CommandStreams io) {
    std::string command;
    const Status status = RunUnlessOutOfMemory(arguments, io, command);
    return CheckOutput(status ? kExitSuccess : io.report(status.failure()), command, io);
}

}  // namespace kelvista::replaycli
