#include "ExportFiles.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ReplayLayout.h"

namespace kelvista::replaycli {

QString ExportFileName(int32_t session, int32_t frame) {
    char name[64];
    std::snprintf(name, sizeof name, "session%d-frame%03d.png", session, frame);
    return QString::fromLatin1(name);
}

std::string CaptionsTable(const std::vector<CaptionRow>& rows) {
    std::string table = "position\tfile\tcaption\n";
    for (const CaptionRow& row : rows) {
        table += PositionText(row.session, row.frame) + "\t" + row.file.toStdString() + "\t" +
                 row.caption + "\n";
    }
    return table;
}

QStringList ExistingFiles(const QString& folder, const QStringList& files) {
    QStringList existing;
    const QDir dir(folder);
    for (const QString& file : files) {
        if (QFileInfo::exists(dir.filePath(file))) {
            existing.append(file);
        }
    }
    return existing;
}

bool MoveFiles(const QString& fromFolder, const QString& toFolder, const QStringList& files,
               std::string& error) {
    const QDir from(fromFolder);
    const QDir to(toFolder);
    for (const QString& file : files) {
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(from.filePath(file)).toStdString(),
                                QFile::encodeName(to.filePath(file)).toStdString(), ec);
        if (ec) {
            error = "cannot move " + file.toStdString() + " into " + toFolder.toStdString() + ": " +
                    ec.message();
            return false;
        }
    }
    return true;
}

}  // namespace kelvista::replaycli
