#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

#include "Command.h"

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

// The help of one command, and the overview of all of them.
QString CommandHelpText(const Command& command);
QString ToolHelpText();

}  // namespace kelvista::replaycli
