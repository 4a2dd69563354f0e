#include "cli/CommandArguments.h"

#include <QStringBuilder>

#include "cli/Output.h"

namespace kelvista::replaycli {

namespace {

// Not an option: a plain word, a lone "-", or '-' and a digit (a negative number).
bool IsPositional(const QString& argument) {
    return argument.size() < 2 || !argument.startsWith(QLatin1Char('-')) || argument[1].isDigit();
}

}  // namespace

CommandArguments::CommandArguments(const Command& command, QList<QCommandLineOption> options,
                                   qsizetype positionalCount)
    : m_command(command), m_options(std::move(options)), m_positionalCount(positionalCount) {
    m_options.append(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help.")));
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOptions(m_options);
}

bool CommandArguments::takesValue(const QString& argument) const {
    if (argument.contains(QLatin1Char('='))) {
        return false;
    }
    QString name = argument;
    while (name.startsWith(QLatin1Char('-'))) {
        name.remove(0, 1);
    }
    for (const QCommandLineOption& option : m_options) {
        if (option.names().contains(name)) {
            return !option.valueName().isEmpty();
        }
    }
    return false;
}

QStringList CommandArguments::separated(const QStringList& arguments) {
    QStringList options;
    QStringList positionals;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) {
            positionals += arguments.mid(i + 1);
            break;
        }
        if (IsPositional(argument)) {
            positionals.append(argument);
            continue;
        }
        options.append(argument);
        if (takesValue(argument)) {
            if (i + 1 == arguments.size()) {
                // The parser would take the "--" put after the options for the value.
                m_missingValueFor = argument;
                break;
            }
            options.append(arguments[++i]);
        }
    }
    return options << QStringLiteral("--") << positionals;
}

bool CommandArguments::parse(const QStringList& arguments) {
    const QStringList program = {QStringLiteral("kelvista-replay ") +
                                 QLatin1String(m_command.name)};
    m_missingValueFor.clear();
    const QStringList parserArguments = program + separated(arguments);
    if (!m_missingValueFor.isEmpty()) {
        m_error = QStringLiteral("%1: missing value after '%2'")
                      .arg(QLatin1String(m_command.name), m_missingValueFor);
        return false;
    }
    if (!m_parser.parse(parserArguments)) {
        m_error = QLatin1String(m_command.name) % QLatin1String(": ") % m_parser.errorText();
        return false;
    }
    if (helpRequested()) {
        return true;
    }
    m_positionals = m_parser.positionalArguments();
    if (m_positionals.size() < m_positionalCount) {
        m_error = QStringLiteral("%1: missing argument (usage: %1 %2)")
                      .arg(QLatin1String(m_command.name), QLatin1String(m_command.synopsis));
        return false;
    }
    if (m_positionals.size() > m_positionalCount) {
        m_error = QStringLiteral("%1: unexpected argument '%2' (usage: %1 %3)")
                      .arg(QLatin1String(m_command.name), m_positionals[m_positionalCount],
                           QLatin1String(m_command.synopsis));
        return false;
    }
    return true;
}

std::optional<int> CommandArguments::parseOrStop(const QStringList& arguments, CommandStreams io) {
    if (!parse(arguments)) {
        // The text quotes arguments as given: escaped, like every name the tool prints.
        return io.fail(kExitUsage, DisplayPath(m_error).toStdString());
    }
    if (helpRequested()) {
        io.out << CommandHelpText(m_command).toStdString();
        io.out.flush();
        return kExitSuccess;
    }
    return std::nullopt;
}

qsizetype PositionalCount(const QStringList& arguments) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--")) {
            return count + arguments.size() - i - 1;
        }
        if (IsPositional(arguments[i])) {
            ++count;
        }
    }
    return count;
}

QString CommandHelpText(const Command& command) {
    return QStringLiteral("Usage: kelvista-replay %1 %2\n\n%3\n")
        .arg(QLatin1String(command.name), QLatin1String(command.synopsis),
             QLatin1String(command.details));
}

std::optional<PngCommandArguments> ParsePngCommand(const Command& command,
                                                   const QStringList& arguments, CommandStreams io,
                                                   int& exitCode) {
    const QString pngOption = QStringLiteral("png");
    const QString forceOption = QStringLiteral("force");
    CommandArguments parsed(
        command,
        {QCommandLineOption(pngOption, QStringLiteral("Writes a PNG."), QStringLiteral("OUT")),
         QCommandLineOption(forceOption, QStringLiteral("Replaces OUT."))},
        1);
    if (const std::optional<int> stop = parsed.parseOrStop(arguments, io)) {
        exitCode = *stop;
        return std::nullopt;
    }
    PngCommandArguments result{parsed.positionals().front(), std::nullopt,
                               parsed.isSet(forceOption)};
    if (parsed.isSet(pngOption)) {
        result.png = parsed.value(pngOption);
    }
    return result;
}

}  // namespace kelvista::replaycli
