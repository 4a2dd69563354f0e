#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "BmpBytes.h"
#include "ReplayTree.h"
#include "TestPictures.h"

namespace kelvista::replaycli {
namespace {

// The built executable, run in a private home: HOME and XDG_CONFIG_HOME point into a temporary
// folder, so it reads only the settings the test writes. Everything else runs in process.
class ExecutableSmokeTest : public ::testing::Test {
protected:
    struct Result {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };

    Result run(const QStringList& arguments) const {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath("config"));
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));  // the sheet must pick offscreen
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_home.path());
        process.start(QStringLiteral(KELVISTA_REPLAY_EXECUTABLE), arguments);
        Result result;
        if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit) {
            result.code = process.exitCode();
            result.out = process.readAllStandardOutput();
            result.err = process.readAllStandardError();
        } else {
            process.kill();
        }
        return result;
    }
    QString settingsFile() const { return m_home.filePath("config/Dravenor.conf"); }
    void write(const QString& path, const std::string& bytes) const {
        QDir().mkpath(QFileInfo(path).absolutePath());
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
    }

    QTemporaryDir m_home;
};

TEST_F(ExecutableSmokeTest, HelpDecodeSheetAndExitCodesOfTheRealBinary) {
    const Result help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: kelvista-replay "));
    EXPECT_TRUE(help.out.contains(settingsFile().toUtf8())) << help.out.toStdString();

    write(m_home.filePath("small.bmp"), test::Bmp24(test::SmallPicture()));
    const Result decode = run({"decode", "small.bmp"});
    EXPECT_EQ(decode.code, 0);
    EXPECT_EQ(decode.out, "status: 0\nsize: 3x2\ndepth: 24\n");
    EXPECT_EQ(decode.err, "");

    const Result bogus = run({"bogus"});
    EXPECT_EQ(bogus.code, 2);
    EXPECT_EQ(bogus.out, "");
    EXPECT_EQ(bogus.err, "kelvista-replay: unknown command 'bogus' (see --help)\n");

    // Without a settings file the path starts at the file system root; nothing is ever written.
    const Result absent = run({"frame", "0.0"});
    EXPECT_EQ(absent.code, 1);
    EXPECT_TRUE(absent.out.startsWith("path: /replay/session0/frame000\n"));
    EXPECT_FALSE(QFile::exists(settingsFile())) << "settings are never written";

    // The sheet draws text: the executable must make its own offscreen GUI application.
    const test::ReplayTree tree;
    tree.writeFrame(0, 0, test::Bmp24(test::SmallPicture()), "Hand 0\n");
    write(settingsFile(), "[General]\nInstallFolder=" + tree.root() + "\n");
    const Result sheet =
        run({"sheet", "0", "--to", "sheet.png", "--width", "200", "--columns", "2"});
    EXPECT_EQ(sheet.code, 0) << sheet.err.toStdString();
    EXPECT_EQ(QImage(m_home.filePath("sheet.png")).width(), 200);
}

}  // namespace
}  // namespace kelvista::replaycli
