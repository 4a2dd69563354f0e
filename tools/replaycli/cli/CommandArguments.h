#pragma once

// Parsing one command's arguments against its options (Command.h): every option may stand
// anywhere, "-x" is read as "--x", an argument that starts with '-' and a digit is a positional
// argument (a negative number), never an option, and "--" ends the options.
//   Result<ParsedArguments> parsed = ParseArguments(LsCommand(), {"3", "--json"});
//   parsed->isSet("json");           // true
//   parsed->positionals().front();   // "3"

#include <map>
#include <string>
#include <string_view>

#include <QString>
#include <QStringList>

#include "cli/Command.h"
#include "cli/Failure.h"

namespace kelvista::replaycli {

class ParsedArguments {
public:
    bool helpRequested() const { return m_help; }
    bool isSet(std::string_view option) const { return m_values.find(option) != m_values.end(); }
    // The option's value; empty when it is not set.
    QString value(std::string_view option) const;
    const QStringList& positionals() const { return m_positionals; }

private:
    friend Result<ParsedArguments> ParseArguments(const Command&, const QStringList&);

    bool m_help = false;
    std::map<std::string, QStringList, std::less<>> m_values;  // every option given
    QStringList m_positionals;
};

// The arguments after the command's name. A usage failure (exit 2) names the first problem:
// an unknown option, a missing option value, an option given twice, or too few or too many
// positional arguments.
// With -h or --help nothing else is checked.
Result<ParsedArguments> ParseArguments(const Command& command, const QStringList& arguments);

}  // namespace kelvista::replaycli
