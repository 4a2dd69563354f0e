#include "Output.h"

#include <cerrno>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <QIODevice>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>

#include "CaptionFile.h"
#include "FileOutputBuffer.h"
#include "PathText.h"

namespace kelvista::replaycli {

namespace {

// A new file beside `target`, open for writing, made as QSaveFile makes its temporary file (mode
// 0666 less the umask); -1 with errno set when none can be made.
int CreateFileBeside(const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        name = target + "." + std::to_string(QRandomGenerator::global()->generate());
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Hands the encoder's bytes to a file descriptor. A failed write is kept rather than reported to
// the encoder: Qt's PNG writer leaks its row table when libpng gives up on a write error, and the
// errno says more than libpng's "Write Error".
class DescriptorDevice : public QIODevice {
public:
    explicit DescriptorDevice(int fd) : m_fd(fd) { open(QIODevice::WriteOnly); }
    int error() const { return m_error; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_error == 0) {
            m_error = WriteFully(m_fd, data, static_cast<size_t>(size));
        }
        return size;
    }

private:
    int m_fd;
    int m_error = 0;
};

QString ErrnoText() {
    return QString::fromStdString(std::generic_category().message(errno));
}

}  // namespace

bool SavePng(const QImage& image, const QString& path, std::string& error) {
    // The file is named by the path's bytes: Qt's file classes take a QString and would write a
    // name that is not UTF-8 under another name, so the file is made and renamed here and Qt only
    // writes the PNG into it.
    const std::string target = LocalPath(path);
    const std::string shown = DisplayPath(target).toStdString();
    if (image.isNull()) {
        error = "the picture for " + shown + " cannot be wrapped as an image";
        return false;
    }
    std::string temporary;
    const int fd = CreateFileBeside(target, temporary);
    if (fd < 0) {
        error = "cannot write " + shown + ": " + ErrnoText().toStdString();
        return false;
    }
    QString reason;
    {
        DescriptorDevice file(fd);
        QImageWriter writer(&file, "png");
        if (!writer.write(image)) {
            reason = writer.errorString();
        } else if (file.error() != 0) {
            reason = QString::fromStdString(std::generic_category().message(file.error()));
        }
    }
    if (reason.isEmpty() && ::fsync(fd) != 0) {
        reason = ErrnoText();
    }
    if (::close(fd) != 0 && reason.isEmpty()) {
        reason = ErrnoText();
    }
    if (reason.isEmpty() && ::rename(temporary.c_str(), target.c_str()) != 0) {
        reason = ErrnoText();
    }
    if (!reason.isEmpty()) {
        ::unlink(temporary.c_str());
        error = "cannot write " + shown + ": " + reason.toStdString();
        return false;
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
