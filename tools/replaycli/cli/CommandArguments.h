#pragma once

#include <optional>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

#include "cli/Command.h"

namespace kelvista::replaycli {

// The arguments of one command: its options (plus -h/--help) and a fixed number of positional
// arguments. An argument that starts with '-' and a digit is a positional argument (a negative
// number), never an option.
class CommandArguments {
public:
    CommandArguments(const Command& command, QList<QCommandLineOption> options,
                     qsizetype positionalCount);

    // False on an unknown option, a missing option value, or a wrong number of positional
    // arguments; errorText() then says which.
    bool parse(const QStringList& arguments);
    QString errorText() const { return m_error; }

    // Parses as parse() does and returns the exit code to stop with: 0 after printing the
    // command's help for --help, 2 after one line on `err` for a usage error; nullopt when the
    // command should go on.
    std::optional<int> parseOrStop(const QStringList& arguments, CommandStreams io);

    bool helpRequested() const { return m_parser.isSet(QStringLiteral("help")); }
    bool isSet(const QString& option) const { return m_parser.isSet(option); }
    QString value(const QString& option) const { return m_parser.value(option); }
    const QStringList& positionals() const { return m_positionals; }

private:
    // Puts every option (with its value) before a "--" and every positional argument after it.
    QStringList separated(const QStringList& arguments);
    bool takesValue(const QString& argument) const;

    const Command& m_command;
    QList<QCommandLineOption> m_options;
    qsizetype m_positionalCount;
    QCommandLineParser m_parser;
    QStringList m_positionals;
    QString m_error;
    QString m_missingValueFor;
};

// How many positional arguments `arguments` holds, for a command whose options take no value.
qsizetype PositionalCount(const QStringList& arguments);

// The help of one command.
QString CommandHelpText(const Command& command);

// The arguments of a command that takes one positional argument, "--png OUT" and "--force".
struct PngCommandArguments {
    QString positional;
    std::optional<QString> png;  // OUT, when --png was given
    bool force = false;          // replaces an existing OUT
};

// Parses them as parseOrStop does: nullopt when the command should stop, with `exitCode` set.
std::optional<PngCommandArguments> ParsePngCommand(const Command& command,
                                                   const QStringList& arguments, CommandStreams io,
                                                   int& exitCode);

}  // namespace kelvista::replaycli
