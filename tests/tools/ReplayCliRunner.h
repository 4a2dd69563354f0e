#pragma once

#include <string>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kelvista::tooltest {

// What one run of kelvista-replay produced.
struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QStringList outLines() const;
    QStringList errLines() const;
};

// A private home for the tool: HOME and XDG_CONFIG_HOME point into a temporary folder, so the
// tool reads only the settings a test writes, under `root()` the test builds its replay tree.
class ToolSandbox {
public:
    ToolSandbox();

    ToolRun run(const QStringList& arguments) const;

    QString home() const { return m_dir.path(); }
    QString settingsFile() const;
    QString root() const { return m_dir.path() + QStringLiteral("/replays"); }

    // Writes the per-user settings file with this text.
    void writeSettings(const QByteArray& text) const;
    // Writes a file (creating its folders) and returns its path.
    QString writeFile(const QString& path, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
};

// A bottom-up 24-bit BMP whose pixel (x, y) (y = 0 at the top) has the colour `rgb(x, y)`.
QByteArray Bmp24(int width, int height, unsigned (*rgb)(int x, int y));

// The test picture: 3 x 2 pixels, red green blue over white black grey.
QByteArray SmallPicture();
unsigned SmallPictureColour(int x, int y);

}  // namespace kelvista::tooltest
