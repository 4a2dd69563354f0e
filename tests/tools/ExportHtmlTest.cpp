#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "DamagedTree.h"
#include "RunTool.h"
#include "render/HtmlExport.h"

namespace kelvista::replaycli {
namespace {

using test::Lines;
using test::RunInProcess;
using test::ToolRun;

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The data block of a written index.html.
QJsonObject PageDataOf(const QByteArray& page) {
    const QByteArray open = QByteArrayLiteral("id=\"replay-data\">");
    const qsizetype start = page.indexOf(open);
    const qsizetype end = page.indexOf("</script>", start);
    if (start < 0 || end < 0) {
        return {};
    }
    const qsizetype from = start + open.size();
    return QJsonDocument::fromJson(page.mid(from, end - from)).object();
}

class ExportHtml : public ::testing::Test {
protected:
    QString outPath(const QString& name) const { return m_out.filePath(name); }

    test::DamagedTree m_tree;
    QTemporaryDir m_out;
};

TEST_F(ExportHtml, WritesThePageTheFramesAndTheRefusedOnesAsNotices) {
    const ToolRun run = RunInProcess({"export", "0", "--html", m_out.path()});
    EXPECT_EQ(run.code, 1);  // the refused screenshots are named, as with --to
    EXPECT_EQ(Lines(run.err).size(), 2u) << run.err;
    EXPECT_EQ(QDir(m_out.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"index.html", "replay.css", "replay.js", "session0-frame000.png",
                           "session0-frame001.png", "session0-frame010.png"}));
    EXPECT_EQ(FileBytes(outPath("replay.js")), PageResource(kPageScriptName));

    const QJsonObject data = PageDataOf(FileBytes(outPath("index.html")));
    EXPECT_EQ(data.value("session").toInt(), 0);
    EXPECT_EQ(data.value("maxFrames").toInt(), 12);
    EXPECT_FALSE(data.value("stamp").toString().isEmpty());
    QStringList frames;
    for (const QJsonValue& value : data.value("frames").toArray()) {
        const QJsonObject frame = value.toObject();
        frames.append(QString::number(frame.value("frame").toInt()) + ":" +
                      frame.value("file").toString(frame.value("missing").toString()));
    }
    EXPECT_EQ(frames, (QStringList{"0:session0-frame000.png", "1:session0-frame001.png", "5:BMP",
                                   "6:BMP", "10:session0-frame010.png"}));
}

TEST_F(ExportHtml, TakesOneFolderAndRefusesToReplaceThePageUnlessForced) {
    EXPECT_EQ(RunInProcess({"export", "1", "--html", m_out.path(), "--to", m_out.path()}).code, 2);
    EXPECT_EQ(RunInProcess({"export", "1", "--html", ""}).code, 2);
    EXPECT_TRUE(QDir(m_out.path()).isEmpty());

    {
        QFile stale(outPath("index.html"));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("stale");
    }
    const ToolRun refused = RunInProcess({"export", "1", "--html", m_out.path()});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(FileBytes(outPath("index.html")), "stale");
    EXPECT_FALSE(QFileInfo::exists(outPath("replay.js")));

    const ToolRun forced = RunInProcess({"export", "1", "--html", m_out.path(), "--force"});
    EXPECT_EQ(forced.code, 0) << forced.err;
    EXPECT_EQ(PageDataOf(FileBytes(outPath("index.html"))).value("frames").toArray().size(), 5);
}

}  // namespace
}  // namespace kelvista::replaycli
