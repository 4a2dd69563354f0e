#include "cli/HelpText.h"

#include <QFile>
#include <QStringBuilder>

#include "SettingsStore.h"
#include "cli/Output.h"

namespace kelvista::replaycli {

namespace {

// The text of cli/help/<name>.txt with its "{{name}}" lines replaced by the files they name.
QString HelpFile(const QString& name) {
    QFile file(QStringLiteral(":/replaycli-help/") % name % QStringLiteral(".txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();  // every name is one of the files built in
    }
    QString text = QString::fromUtf8(file.readAll());
    QString expanded;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("{{")) && line.endsWith(QLatin1String("}}")) &&
            name != QLatin1String("tool")) {
            expanded += HelpFile(line.mid(2, line.size() - 4));
        } else {
            expanded += line % QLatin1Char('\n');
        }
    }
    expanded.chop(1);  // the split gave one line more than the file ends
    return expanded;
}

struct CommandText {
    QString synopsis;
    QString summary;
    QString details;
};

CommandText TextOf(const Command& command) {
    const QString text = HelpFile(QLatin1String(command.name));
    const qsizetype first = text.indexOf(QLatin1Char('\n'));
    const qsizetype second = text.indexOf(QLatin1Char('\n'), first + 1);
    QString details = text.mid(second + 2);  // after the blank line
    details.chop(1);                         // the file's last line end
    return {text.left(first), text.mid(first + 1, second - first - 1), details};
}

}  // namespace

QString CommandSynopsis(const Command& command) {
    return TextOf(command).synopsis;
}

QString CommandHelpText(const Command& command) {
    const CommandText text = TextOf(command);
    return QStringLiteral("Usage: kelvista-replay ") % QLatin1String(command.name) %
           QLatin1Char(' ') % text.synopsis % QStringLiteral("\n\n") % text.details %
           QLatin1Char('\n');
}

QString ToolHelpText(const std::vector<Command>& commands) {
    QString list;
    for (const Command& command : commands) {
        const CommandText text = TextOf(command);
        list += QStringLiteral("  ") % QLatin1String(command.name) % QLatin1Char(' ') %
                text.synopsis % QStringLiteral("\n      ") % text.summary % QLatin1Char('\n');
    }
    return HelpFile(QStringLiteral("tool"))
        .replace(QStringLiteral("{{commands}}\n"), list)
        .replace(QStringLiteral("{{setting}}"), QLatin1String(kInstallFolderSetting))
        .replace(QStringLiteral("{{settings-file}}"), DisplayPath(UserSettingsLocation()));
}

}  // namespace kelvista::replaycli
