#include "cli/CommandArguments.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringBuilder>

#include "cli/HelpText.h"
#include "cli/Output.h"

namespace kelvista::replaycli {

namespace {

const QString kHelpOption = QStringLiteral("help");

// Not an option: a plain word, a lone "-", or '-' and a digit (a negative number).
bool IsPositional(const QString& argument) {
    return argument.size() < 2 || !argument.startsWith(QLatin1Char('-')) || argument[1].isDigit();
}

QList<QCommandLineOption> ParserOptions(const Command& command) {
    QList<QCommandLineOption> options;
    for (const OptionSpec& declared : command.options) {
        const QString name = QLatin1String(declared.name);
        options.append(declared.valueName != nullptr
                           ? QCommandLineOption(name, name, QLatin1String(declared.valueName))
                           : QCommandLineOption(name, name));
    }
    options.append(QCommandLineOption({QStringLiteral("h"), kHelpOption}, kHelpOption));
    return options;
}

bool TakesValue(const QList<QCommandLineOption>& options, const QString& argument) {
    if (argument.contains(QLatin1Char('='))) {
        return false;
    }
    QString name = argument;
    while (name.startsWith(QLatin1Char('-'))) {
        name.remove(0, 1);
    }
    for (const QCommandLineOption& option : options) {
        if (option.names().contains(name)) {
            return !option.valueName().isEmpty();
        }
    }
    return false;
}

// Every option (with its value) before a "--" and every positional argument after it, so that
// options may follow positional arguments. `missingValueFor` names an option given last without
// its value: the parser would take the "--" for it.
QStringList Separated(const QList<QCommandLineOption>& parserOptions, const QStringList& arguments,
                      QString& missingValueFor) {
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
        if (TakesValue(parserOptions, argument)) {
            if (i + 1 == arguments.size()) {
                missingValueFor = argument;
                break;
            }
            options.append(arguments[++i]);
        }
    }
    return options << QStringLiteral("--") << positionals;
}

// The text quotes arguments as given: escaped, like every name the tool prints.
Failure UsageFailure(const QString& text) {
    return {kExitUsage, DisplayPath(text).toStdString()};
}

}  // namespace

QString ParsedArguments::value(std::string_view option) const {
    const auto found = m_values.find(option);
    return found == m_values.end() || found->second.isEmpty() ? QString() : found->second.last();
}

Result<ParsedArguments> ParseArguments(const Command& command, const QStringList& arguments) {
    const QString name = QLatin1String(command.name);
    const QList<QCommandLineOption> options = ParserOptions(command);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options);
    QString missingValueFor;
    const QStringList parserArguments = QStringList{QStringLiteral("kelvista-replay ") % name} +
                                        Separated(options, arguments, missingValueFor);
    if (!missingValueFor.isEmpty()) {
        return UsageFailure(
            QStringLiteral("%1: missing value after '%2'").arg(name, missingValueFor));
    }
    if (!parser.parse(parserArguments)) {
        return UsageFailure(name % QLatin1String(": ") % parser.errorText());
    }
    ParsedArguments parsed;
    if (parser.isSet(kHelpOption)) {
        parsed.m_help = true;
        return parsed;
    }
    for (const OptionSpec& declared : command.options) {
        // Which of two values was meant cannot be known: nothing is written on a guess.
        if (parser.optionNames().count(QLatin1String(declared.name)) > 1) {
            return UsageFailure(QStringLiteral("%1: --%2 is given more than once")
                                    .arg(name, QLatin1String(declared.name)));
        }
        if (parser.isSet(QLatin1String(declared.name))) {
            parsed.m_values[declared.name] = parser.values(QLatin1String(declared.name));
        }
    }
    parsed.m_positionals = parser.positionalArguments();
    const qsizetype count = parsed.m_positionals.size();
    const QString synopsis = CommandSynopsis(command);
    if (count < command.minArguments) {
        return UsageFailure(
            QStringLiteral("%1: missing argument (usage: %1 %2)").arg(name, synopsis));
    }
    if (count > command.maxArguments) {
        return UsageFailure(QStringLiteral("%1: unexpected argument '%2' (usage: %1 %3)")
                                .arg(name, parsed.m_positionals[command.maxArguments], synopsis));
    }
    return parsed;
}

}  // namespace kelvista::replaycli
