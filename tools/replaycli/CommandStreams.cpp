#include "CommandStreams.h"

namespace kelvista::replaycli {

std::optional<int> ParseOrStop(CommandArguments& parsed, const Command& command,
                               const QStringList& arguments, CommandStreams io) {
    if (!parsed.parse(arguments)) {
        io.err << "kelvista-replay: " << parsed.errorText().toStdString() << "\n";
        io.err.flush();
        return kExitUsage;
    }
    if (parsed.helpRequested()) {
        io.out << CommandHelpText(command).toStdString();
        io.out.flush();
        return kExitSuccess;
    }
    return std::nullopt;
}

qsizetype PositionalCount(const QStringList& arguments) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) {
            return count + arguments.size() - i - 1;
        }
        const bool negativeNumber = argument.size() > 1 && argument[1].isDigit();
        if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')) || negativeNumber) {
            ++count;
        }
    }
    return count;
}

int Complain(CommandStreams io, const Command& command, const std::string& message, int code) {
    std::string line = message;
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    io.err << "kelvista-replay: " << command.name << ": " << line << "\n";
    io.err.flush();
    return code;
}

}  // namespace kelvista::replaycli
