#include "cli/Output.h"

#include <string>

#include "CaptionFile.h"
#include "cli/PathText.h"

namespace kelvista::replaycli {

std::string LocalPath(const QString& argument) {
    return ArgumentBytes(argument);
}

QString DisplayPath(std::string_view path) {
    return QString::fromStdString(EscapedName(path));
}

QString DisplayPath(const QString& argument) {
    return DisplayPath(LocalPath(argument));
}

std::string OneLineCaption(const std::string& bytes) {
    QString text = CaptionText(bytes);
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || BreaksOrReordersLine(c.unicode())) {
            c = QLatin1Char(' ');
        }
    }
    return text.toStdString();
}

}  // namespace kelvista::replaycli
