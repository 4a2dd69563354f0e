#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringList>

#include "ReplayCliRunner.h"

namespace kelvista::tooltest {
namespace {

class ReplayCliFrameTest : public testing::Test {
protected:
    void SetUp() override {
        m_sandbox.writeSettings("[General]\nInstallFolder=" + m_sandbox.root().toUtf8() +
                                "\nreplay_maxframes=1000\n");
    }
    QString base(const QString& relative) const { return m_sandbox.root() + "/replay/" + relative; }
    void writeFrame(const QString& relative, const QByteArray& bmp, const QByteArray& htm) const {
        m_sandbox.writeFile(base(relative) + ".bmp", bmp);
        m_sandbox.writeFile(base(relative) + ".htm", htm);
    }
    QStringList loadedLines(const QString& relative, const QString& caption) const {
        return {"path: " + base(relative),
                "present: yes",
                "caption: " + caption,
                "status: 0",
                "size: 3x2",
                "depth: 24"};
    }

    ToolSandbox m_sandbox;
};

TEST_F(ReplayCliFrameTest, PresentFrameShowsPathCaptionAndPicture) {
    writeFrame("session3/frame007", SmallPicture(), "Hand 12\r\n<html><body>...</body></html>\r\n");
    const ToolRun run = m_sandbox.run({"frame", "3.7"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.outLines(), loadedLines("session3/frame007", "Hand 12"));
    EXPECT_EQ(run.err, "");
}

TEST_F(ReplayCliFrameTest, PresentFrameWritesItsPng) {
    writeFrame("session0/frame000", SmallPicture(), "");
    const QString png = m_sandbox.home() + "/frame.png";
    const ToolRun run = m_sandbox.run({"frame", "0.0", "--png", png});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.outLines(), loadedLines("session0/frame000", ""));
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(2, 1), 0xFF808080u);
}

TEST_F(ReplayCliFrameTest, NegativeAndLargeNumbersNameTheirFiles) {
    writeFrame("session-2/frame-01", SmallPicture(), "minus\n");
    writeFrame("session0/frame1000", SmallPicture(), "thousand\n");
    EXPECT_EQ(m_sandbox.run({"frame", "-2.-1"}).outLines(),
              loadedLines("session-2/frame-01", "minus"));
    EXPECT_EQ(m_sandbox.run({"frame", "--", "-2.-1"}).outLines(),
              loadedLines("session-2/frame-01", "minus"));
    EXPECT_EQ(m_sandbox.run({"frame", "0.1000"}).outLines(),
              loadedLines("session0/frame1000", "thousand"));
    EXPECT_EQ(m_sandbox.run({"frame", "0.0001000"}).outLines(),
              loadedLines("session0/frame1000", "thousand"));
}

TEST_F(ReplayCliFrameTest, AbsentFrameNeedsBothFiles) {
    m_sandbox.writeFile(base("session1/frame001") + ".bmp", SmallPicture());
    m_sandbox.writeFile(base("session1/frame002") + ".htm", "caption only\n");
    QDir().mkpath(base("session1/frame003") + ".bmp");
    m_sandbox.writeFile(base("session1/frame003") + ".htm", "folder for a bitmap\n");
    for (const char* name : {"001", "002", "003", "004"}) {
        const ToolRun run = m_sandbox.run({"frame", QStringLiteral("1.") + name});
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_EQ(
            run.outLines(),
            (QStringList{"path: " + base(QStringLiteral("session1/frame") + name), "present: no"}));
        EXPECT_EQ(run.errLines().size(), 1) << run.err.toStdString();
    }
}

TEST_F(ReplayCliFrameTest, UnloadableBitmapIsReportedAfterTheCaption) {
    writeFrame("session5/frame010", "not a bitmap", "Broken\r\n");
    const ToolRun run = m_sandbox.run({"frame", "5.10"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.outLines(), (QStringList{"path: " + base("session5/frame010"), "present: yes",
                                           "caption: Broken", "status: -1"}));
    EXPECT_EQ(run.errLines().size(), 1) << run.err.toStdString();
}

TEST_F(ReplayCliFrameTest, CaptionIsPrintedAsUtf8) {
    writeFrame("session1/frame001", SmallPicture(), "M\xFCller \x80\r\n");              // 1252
    writeFrame("session1/frame002", SmallPicture(), "M\xC3\xBCller \xE2\x82\xAC\r\n");  // UTF-8
    const QString expected = QString::fromUtf8("M\xC3\xBCller \xE2\x82\xAC");
    EXPECT_EQ(m_sandbox.run({"frame", "1.1"}).outLines(),
              loadedLines("session1/frame001", expected));
    EXPECT_EQ(m_sandbox.run({"frame", "1.2"}).outLines(),
              loadedLines("session1/frame002", expected));
}

TEST_F(ReplayCliFrameTest, ControlCharactersInTheCaptionKeepItOnOneLine) {
    writeFrame("session1/frame003", SmallPicture(), "Hand\r12\tend\n");  // a lone CR stays in
    EXPECT_EQ(m_sandbox.run({"frame", "1.3"}).outLines(),
              loadedLines("session1/frame003", "Hand 12 end"));
}

TEST_F(ReplayCliFrameTest, RootWithBlanksAndCommasIsUsedAsWritten) {
    const QString root = m_sandbox.home() + "/my replays, 2";
    m_sandbox.writeSettings("InstallFolder=" + root.toUtf8() + "\n");
    m_sandbox.writeFile(root + "/replay/session4/frame004.bmp", SmallPicture());
    m_sandbox.writeFile(root + "/replay/session4/frame004.htm", "Comma\n");
    const ToolRun run = m_sandbox.run({"frame", "4.4"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.outLines().value(0), "path: " + root + "/replay/session4/frame004");
    EXPECT_EQ(run.outLines().value(2), "caption: Comma");
}

TEST_F(ReplayCliFrameTest, WithoutSettingsThePathStartsAtTheFileSystemRoot) {
    QFile::remove(m_sandbox.settingsFile());
    const ToolRun run = m_sandbox.run({"frame", "0.0"});
    EXPECT_EQ(run.outLines().value(0), "path: /replay/session0/frame000");
    EXPECT_FALSE(QFile::exists(m_sandbox.settingsFile())) << "settings are never written";
}

}  // namespace
}  // namespace kelvista::tooltest
