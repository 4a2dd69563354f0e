#include <fcntl.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "CaptionFile.h"
#include "FileDescriptor.h"
#include "render/HtmlExport.h"

namespace kelvista::replaycli {
namespace {

const QString kHostile = QStringLiteral("<script>alert(\"x\")</script> & 'q' \\ </SCRIPT");

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The string a JSON parser reads back from JsonString's literal.
QString ParsedBack(const std::string& literal) {
    const QByteArray json = QByteArray::fromStdString("[" + literal + "]");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << literal;
    return document.array().at(0).toString();
}

bool PlainAsciiWithoutMarkup(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || c == '<' || c == '>' || c == '&') {
            return false;
        }
    }
    return true;
}

PageData SampleData() {
    PageData data;
    data.session = 3;
    data.maxFrames = 1000;
    data.stamp = QStringLiteral("2026 Dec 8 23:10:04");
    data.frames.push_back({7, QStringLiteral("Hand 12"), QStringLiteral("session3-frame007.png"),
                           PageFrame::Missing::None,
                           PageChanges{6, false, {{40, 112, 300, 18}, {1210, 40, 16, 16}}}});
    data.frames.push_back({8, kHostile, {}, PageFrame::Missing::Screenshot, std::nullopt});
    data.frames.push_back({-5, {}, {}, PageFrame::Missing::Caption, std::nullopt});
    return data;
}

TEST(HtmlExportJson, EscapesEverythingThatCouldEndTheScriptOrBreakTheString) {
    EXPECT_EQ(JsonString(QStringLiteral("Hand 12")), "\"Hand 12\"");
    EXPECT_EQ(JsonString(QStringLiteral("</script>")), "\"\\u003c/script\\u003e\"");
    EXPECT_EQ(JsonString(QStringLiteral("a&b")), "\"a\\u0026b\"");
    EXPECT_EQ(JsonString(QStringLiteral("say \"hi\" \\o/")), "\"say \\\"hi\\\" \\\\o/\"");
    EXPECT_EQ(JsonString(QStringLiteral("\t\n\x7f")), "\"\\u0009\\u000a\\u007f\"");
    EXPECT_EQ(JsonString(QString(QChar(0x2028)) + QChar(0x2029)), "\"\\u2028\\u2029\"");
    EXPECT_EQ(JsonString(QString()), "\"\"");
}

TEST(HtmlExportJson, EveryCaptionReadsBackUnchanged) {
    const QString captions[] = {
        kHostile,
        QStringLiteral("Fluß über Brücke — 東京"),
        QString::fromUcs4(U"Emoji \U0001F600 and \u2028 line separator"),
        QStringLiteral("[*] title placeholder [*]"),
        QString(QChar(0)) + QStringLiteral("nul first"),
    };
    for (const QString& caption : captions) {
        const std::string literal = JsonString(caption);
        EXPECT_TRUE(PlainAsciiWithoutMarkup(literal)) << literal;
        EXPECT_EQ(ParsedBack(literal), caption) << literal;
    }
}

TEST(HtmlExportJson, DataBlockListsFramesShownRefusedAndUnreadable) {
    const std::string json = PageDataJson(SampleData());
    std::string withoutLineBreaks = json;
    std::erase(withoutLineBreaks, '\n');
    EXPECT_TRUE(PlainAsciiWithoutMarkup(withoutLineBreaks)) << json;
    QJsonParseError error;
    const QJsonObject data =
        QJsonDocument::fromJson(QByteArray::fromStdString(json), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json;
    EXPECT_EQ(data.value("session").toInt(), 3);
    EXPECT_EQ(data.value("maxFrames").toInt(), 1000);
    EXPECT_EQ(data.value("stamp").toString(), QStringLiteral("2026 Dec 8 23:10:04"));
    const QJsonArray frames = data.value("frames").toArray();
    ASSERT_EQ(frames.size(), 3);

    const QJsonObject shown = frames.at(0).toObject();
    EXPECT_EQ(shown.value("frame").toInt(), 7);
    EXPECT_EQ(shown.value("caption").toString(), QStringLiteral("Hand 12"));
    EXPECT_EQ(shown.value("file").toString(), QStringLiteral("session3-frame007.png"));
    EXPECT_FALSE(shown.contains("missing"));
    EXPECT_NE(json.find(",\"changes\":{\"from\":6,\"regions\":[[40,112,300,18],[1210,40,16,16]]}}"),
              std::string::npos);
    PageData sizes = SampleData();
    sizes.frames[0].changes = PageChanges{6, true, {{0, 0, 8, 4}}};
    EXPECT_NE(PageDataJson(sizes).find("{\"from\":6,\"regions\":[[0,0,8,4]],\"sizes\":true}"),
              std::string::npos);

    const QJsonObject refused = frames.at(1).toObject();
    EXPECT_EQ(refused.value("caption").toString(), kHostile);
    EXPECT_EQ(refused.value("missing").toString(), QStringLiteral("BMP"));
    EXPECT_FALSE(refused.contains("file"));
    EXPECT_FALSE(refused.contains("changes"));

    const QJsonObject unreadable = frames.at(2).toObject();
    EXPECT_EQ(unreadable.value("frame").toInt(), -5);
    EXPECT_EQ(unreadable.value("missing").toString(), QStringLiteral("HTM"));
    EXPECT_FALSE(unreadable.contains("caption"));
}

TEST(HtmlExportPage, HostileCaptionStaysInsideTheOneDataBlock) {
    const QByteArray page = PageHtml(SampleData());
    ASSERT_FALSE(page.isEmpty());
    const QByteArray open =
        QByteArrayLiteral("<script type=\"application/json\" id=\"replay-data\">");
    const qsizetype start = page.indexOf(open);
    ASSERT_GE(start, 0);
    const qsizetype dataStart = start + open.size();
    const qsizetype end = page.indexOf("</script>", dataStart);
    ASSERT_GT(end, dataStart);
    EXPECT_EQ(page.mid(dataStart, end - dataStart).toStdString(), PageDataJson(SampleData()));
    // Nothing of the caption leaks out as markup, and the only scripts are the page's own.
    EXPECT_EQ(page.count("<script"), 2);
    EXPECT_EQ(page.count("</script>"), 2);
    EXPECT_EQ(page.toLower().count("<script"), 2);
    EXPECT_FALSE(page.contains("@REPLAY_DATA@"));
    EXPECT_TRUE(page.contains("src=\"replay.js\""));
    EXPECT_TRUE(page.contains("href=\"replay.css\""));
}

TEST(HtmlExportPage, ThePageNeedsNoNetwork) {
    for (const char* name : {kPageFileName, kPageScriptName, kPageStyleName}) {
        const QByteArray file = PageResource(name);
        ASSERT_FALSE(file.isEmpty()) << name;
        EXPECT_FALSE(file.contains("://")) << name;
        EXPECT_FALSE(file.contains("@import")) << name;
    }
    EXPECT_TRUE(PageResource("missing.js").isEmpty());
}

TEST(HtmlExportPage, WritesTheRepositoryScriptAndStyleBesideIndex) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDir dir(folder.path());
    const fileio::FileDescriptor fd(
        open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(fd.valid());
    std::string error;
    ASSERT_TRUE(WritePageFiles(fd.get(), SampleData(), error)) << error;
    EXPECT_EQ(FileBytes(dir.filePath("index.html")), PageHtml(SampleData()));
    const QDir sources(QStringLiteral(KELVISTA_WEB_SOURCES));
    EXPECT_EQ(FileBytes(dir.filePath("replay.js")), FileBytes(sources.filePath("replay.js")));
    EXPECT_EQ(FileBytes(dir.filePath("replay.css")), FileBytes(sources.filePath("replay.css")));
    EXPECT_FALSE(FileBytes(dir.filePath("replay.js")).isEmpty());

    // The files are new ones: an existing name is an error that names the file.
    EXPECT_FALSE(WritePageFiles(fd.get(), SampleData(), error));
    EXPECT_NE(error.find("index.html"), std::string::npos) << error;
}

TEST(HtmlExportFrames, EachFrameAsTheViewerWouldFindIt) {
    FrameReport report;
    report.session = 3;
    report.frame = 7;
    report.screenshotListed = report.captionListed = true;
    report.screenshotOpens = report.captionOpens = true;
    report.decodeTried = true;
    report.captionRead = true;
    report.caption = "Caf\xe9 \xe2\x80\x94 UTF-8";
    const QString file = QStringLiteral("session3-frame007.png");

    const std::optional<PageFrame> shown = PageFrameOf(report, file);
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->frame, 7);
    EXPECT_EQ(shown->missing, PageFrame::Missing::None);
    EXPECT_EQ(shown->file, file);
    EXPECT_EQ(shown->caption, CaptionText(report.caption));  // the viewer's caption decoding

    FrameReport refused = report;
    refused.loaderCode = -2;
    const std::optional<PageFrame> notShown = PageFrameOf(refused, file);
    ASSERT_TRUE(notShown.has_value());
    EXPECT_EQ(notShown->missing, PageFrame::Missing::Screenshot);
    EXPECT_EQ(notShown->caption, CaptionText(report.caption));
    EXPECT_TRUE(notShown->file.isEmpty());

    FrameReport unreadable = report;
    unreadable.captionRead = false;
    unreadable.caption.clear();
    ASSERT_TRUE(PageFrameOf(unreadable, file).has_value());
    EXPECT_EQ(PageFrameOf(unreadable, file)->missing, PageFrame::Missing::Caption);

    FrameReport absent = report;
    absent.captionOpens = false;
    EXPECT_FALSE(PageFrameOf(absent, file).has_value());
    absent = report;
    absent.screenshotOpens = false;
    EXPECT_FALSE(PageFrameOf(absent, file).has_value());
}

TEST(HtmlExportPage, StampHasTheFormOfTheViewersBuildStamp) {
    EXPECT_EQ(PageStamp(QDateTime(QDate(2006, 4, 8), QTime(19, 12, 14))),
              QStringLiteral("2006 Apr 8 19:12:14"));
    EXPECT_EQ(PageStamp(QDateTime(QDate(2026, 12, 18), QTime(3, 4, 5))),
              QStringLiteral("2026 Dec 18 03:04:05"));
    EXPECT_TRUE(PageStamp(QDateTime()).isEmpty());
}

}  // namespace
}  // namespace kelvista::replaycli
