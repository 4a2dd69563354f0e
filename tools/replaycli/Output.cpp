#include "Output.h"

#include <cstdio>
#include <ostream>
#include <string>

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

namespace kelvista::replaycli {

void PrintField(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() + value.size() + 3);
    line.append(name).append(": ").append(value).push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void PrintText(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void PrintError(std::ostream& err, std::string message) {
    // A message quoting a file's text or an argument must stay one line.
    for (char& c : message) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    err << "kelvista-replay: " << message << "\n";
    err.flush();
}

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
    return QFile::encodeName(argument).toStdString();
}

QString DisplayPath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

}  // namespace kelvista::replaycli
