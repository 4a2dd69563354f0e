#include "Output.h"

#include <string>

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include "CaptionFile.h"
#include "PathText.h"

namespace kelvista::replaycli {

bool SavePng(const QImage& image, const QString& path, std::string& error) {
    if (image.isNull()) {
        error = "the picture for " + path.toStdString() + " cannot be wrapped as an image";
        return false;
    }
    const auto cannotWrite = [&](const QString& reason) {
        error = "cannot write " + path.toStdString() + ": " + reason.toStdString();
        return false;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return cannotWrite(file.errorString());
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        return cannotWrite(writer.errorString());
    }
    if (!file.commit()) {
        return cannotWrite(file.errorString());
    }
    return true;
}

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
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char(' ');
        }
    }
    return text.toStdString();
}

}  // namespace kelvista::replaycli
