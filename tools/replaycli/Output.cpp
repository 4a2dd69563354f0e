#include "Output.h"

#include <string>

#include <QFile>

#include "CaptionFile.h"

namespace kelvista::replaycli {

std::string LocalPath(const QString& argument) {
    return QFile::encodeName(argument).toStdString();
}

QString DisplayPath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string OneLineCaption(const std::string& bytes) {
    QString text = CaptionText(bytes);
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char(' ');
        }
    }
    return text.toStdString();
}

}  // namespace kelvista::replaycli
