#include "ReplayCliRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace kelvista::tooltest {

namespace {

QStringList Lines(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

void AppendLittleEndian(QByteArray& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

}  // namespace

QStringList ToolRun::outLines() const {
    return Lines(out);
}
QStringList ToolRun::errLines() const {
    return Lines(err);
}

ToolSandbox::ToolSandbox() {
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
}

QString ToolSandbox::settingsFile() const {
    return m_dir.path() + QStringLiteral("/config/Dravenor.conf");
}

ToolRun ToolSandbox::run(const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path() + QStringLiteral("/config"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral(KELVISTA_REPLAY_EXECUTABLE), arguments);
    ToolRun result;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void ToolSandbox::writeSettings(const QByteArray& text) const {
    writeFile(settingsFile(), text);
}

QString ToolSandbox::writeFile(const QString& path, const QByteArray& bytes) const {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
    return path;
}

QByteArray Bmp24(int width, int height, unsigned (*rgb)(int x, int y)) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const auto pixelBytes = static_cast<uint32_t>(rowBytes * height);
    QByteArray bytes("BM");
    AppendLittleEndian(bytes, 54 + pixelBytes, 4);
    AppendLittleEndian(bytes, 0, 4);
    AppendLittleEndian(bytes, 54, 4);
    AppendLittleEndian(bytes, 40, 4);
    AppendLittleEndian(bytes, static_cast<uint32_t>(width), 4);
    AppendLittleEndian(bytes, static_cast<uint32_t>(height), 4);
    AppendLittleEndian(bytes, 1, 2);
    AppendLittleEndian(bytes, 24, 2);
    AppendLittleEndian(bytes, 0, 4);
    AppendLittleEndian(bytes, pixelBytes, 4);
    AppendLittleEndian(bytes, 2835, 4);
    AppendLittleEndian(bytes, 2835, 4);
    AppendLittleEndian(bytes, 0, 4);
    AppendLittleEndian(bytes, 0, 4);
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            AppendLittleEndian(bytes, rgb(x, row), 3);  // 0xRRGGBB stored blue, green, red
        }
        bytes.append(QByteArray(rowBytes - width * 3, '\0'));
    }
    return bytes;
}

unsigned SmallPictureColour(int x, int y) {
    static const unsigned colours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF},
                                           {0xFFFFFF, 0x000000, 0x808080}};
    return colours[y][x];
}

QByteArray SmallPicture() {
    return Bmp24(3, 2, SmallPictureColour);
}

}  // namespace kelvista::tooltest
