#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "BmpLoader.h"
#include "DamagedTree.h"
#include "FrameImage.h"
#include "RunTool.h"
#include "render/ContactSheet.h"

namespace kelvista::replaycli {
namespace {

using test::Lines;
using test::RunInProcess;
using test::ToolRun;

// The picture the viewer shows for a frame, decoded by the loader itself.
QImage ViewerPicture(const std::string& bmpPath) {
    BitmapHandle bitmap;
    DibSection dib;
    if (LoadBMP(bmpPath, bitmap, dib) != 0) {
        return QImage();
    }
    return FrameImage(dib).copy();
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything in `folder`, hidden entries too.
QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

class ExportAndSheet : public ::testing::Test {
protected:
    std::string framePath(int32_t session, int32_t frame) const {
        return m_tree.path(test::ReplayTree::FrameName(session, frame, "bmp"));
    }
    QString outPath(const QString& name) const { return m_out.filePath(name); }

    test::DamagedTree m_tree;
    QTemporaryDir m_out;
};

TEST_F(ExportAndSheet, ExportedPngPixelsEqualTheDecodedFrameAndCaptionsAreTabulated) {
    const ToolRun run = RunInProcess({"export", "1", "--to", m_out.path()});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::pair<int32_t, QString> files[] = {{-1, "session1-frame-01.png"},
                                                 {0, "session1-frame000.png"},
                                                 {1, "session1-frame001.png"},
                                                 {12, "session1-frame012.png"},
                                                 {13, "session1-frame013.png"}};
    for (const auto& [frame, name] : files) {
        const QImage png(outPath(name));
        const QImage expected = ViewerPicture(framePath(1, frame));
        ASSERT_FALSE(png.isNull()) << frame;
        EXPECT_FALSE(png.hasAlphaChannel());
        EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), expected) << frame;
    }
    EXPECT_EQ(FileBytes(outPath("captions.tsv")).toStdString(),
              "position\tfile\tcaption\n"
              "[1.-01]\tsession1-frame-01.png\tSession 1 frame -1\n"
              "[1.000]\tsession1-frame000.png\tSession 1 frame 0\n"
              "[1.001]\tsession1-frame001.png\tSession 1 frame 1\n"
              "[1.012]\tsession1-frame012.png\tSession 1 frame 12\n"
              "[1.013]\tsession1-frame013.png\tSession 1 frame 13\n");
    // Nothing but the results: the staging folder is gone.
    EXPECT_EQ(Entries(m_out.path()).size(), 6);
}

TEST_F(ExportAndSheet, ExportOfOneFrameAcceptsLeadingZerosOrNone) {
    const ToolRun run = RunInProcess({"export", "0.10", "--to", m_out.path()});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(QImage(outPath("session0-frame010.png")).convertToFormat(QImage::Format_RGB32),
              ViewerPicture(framePath(0, 10)));
    EXPECT_EQ(FileBytes(outPath("captions.tsv")).toStdString(),
              "position\tfile\tcaption\n[0.010]\tsession0-frame010.png\tHand 10\n");
}

TEST_F(ExportAndSheet, ExportOfADamagedSessionWritesTheGoodFramesAndNamesTheRefusedOnes) {
    const ToolRun run = RunInProcess({"export", "0", "--to", m_out.path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(Lines(run.err),
              (std::vector<std::string>{
                  "kelvista-replay: export: [0.005] not exported: LoadBMP -2, source depth 8 bits",
                  "kelvista-replay: export: [0.006] not exported: LoadBMP -1, not readable as a "
                  "bitmap"}));
    EXPECT_TRUE(QFileInfo::exists(outPath("session0-frame000.png")));
    EXPECT_TRUE(QFileInfo::exists(outPath("session0-frame001.png")));
    EXPECT_TRUE(QFileInfo::exists(outPath("session0-frame010.png")));
    EXPECT_FALSE(QFileInfo::exists(outPath("session0-frame002.png")));  // no caption: not present
    EXPECT_FALSE(QFileInfo::exists(outPath("session0-frame005.png")));
}

TEST_F(ExportAndSheet, ExportRefusesToReplaceFilesUnlessForced) {
    ASSERT_EQ(RunInProcess({"export", "1.0", "--to", m_out.path()}).code, 0);
    QFile::remove(outPath("session1-frame000.png"));
    {
        QFile stale(outPath("session1-frame000.png"));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("stale");
    }
    const ToolRun refused = RunInProcess({"export", "1", "--to", m_out.path()});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(Lines(refused.err).size(), 1u);
    EXPECT_EQ(FileBytes(outPath("session1-frame000.png")), "stale");
    EXPECT_FALSE(QFileInfo::exists(outPath("session1-frame001.png")));

    const ToolRun forced = RunInProcess({"export", "1", "--to", m_out.path(), "--force"});
    EXPECT_EQ(forced.code, 0) << forced.err;
    EXPECT_EQ(QImage(outPath("session1-frame000.png")).convertToFormat(QImage::Format_RGB32),
              ViewerPicture(framePath(1, 0)));
}

TEST_F(ExportAndSheet, ExportIntoAFolderThatCannotBeMadeWritesNothing) {
    QFile blocker(outPath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const ToolRun run = RunInProcess({"export", "1", "--to", outPath("file/sub")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(Lines(run.err).size(), 1u);
    EXPECT_EQ(Entries(m_out.path()), QStringList{"file"});
}

TEST_F(ExportAndSheet, AFailedExportRemovesTheFoldersItMadeAndNoOthers) {
    ASSERT_TRUE(QDir(m_out.path()).mkdir("kept"));  // existed before: stays, though empty
    const ToolRun run = RunInProcess({"export", "0.5", "--to", outPath("kept/made/also made/out")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(Lines(run.err).size(), 1u);
    EXPECT_EQ(Entries(m_out.path()), QStringList{"kept"});
    EXPECT_TRUE(Entries(outPath("kept")).isEmpty());
}

TEST_F(ExportAndSheet, SheetHasTheLaidOutSizeThumbnailsLabelsAndPlaceholders) {
    const QString path = outPath("sheet.png");
    const ToolRun run =
        RunInProcess({"sheet", "0", "--to", path, "--columns", "3", "--width", "330"});
    ASSERT_EQ(run.code, 0) << run.err;
    const QImage sheet = QImage(path).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(sheet.isNull());

    // 8 frames in 3 columns; boxes shaped like frame 000 (5x3).
    std::string error;
    const std::optional<SheetLayout> layout =
        LayOutSheet(8, 3, 330, 3.0 / 5.0, SheetPainter::LabelLineHeight(), error);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->rows, 3);
    EXPECT_EQ(sheet.size(), QSize(330, layout->height));
    EXPECT_EQ(layout->thumbnailBox(0).height(), (layout->cellWidth * 3 + 2) / 5);

    // Frame 000 is smaller than its box: drawn unscaled in the box's centre.
    const QRect box = layout->thumbnailBox(0);
    const QImage frame = ViewerPicture(framePath(0, 0));
    const QPoint origin(box.left() + (box.width() - 5) / 2, box.top() + (box.height() - 3) / 2);
    EXPECT_EQ(sheet.copy(QRect(origin, QSize(5, 3))), frame);

    // Every cell has a label; cell 2 (frame 002, no caption file) is a grey placeholder.
    for (size_t cell = 0; cell < 8; ++cell) {
        const QImage label = sheet.copy(layout->labelRect(cell));
        bool inked = false;
        for (int y = 0; y < label.height() && !inked; ++y) {
            for (int x = 0; x < label.width() && !inked; ++x) {
                inked = qGray(label.pixel(x, y)) < 128;
            }
        }
        EXPECT_TRUE(inked) << "label of cell " << cell;
    }
    const QRect placeholder = layout->thumbnailBox(2);
    EXPECT_EQ(sheet.pixel(placeholder.left() + 3, placeholder.center().y()), qRgb(215, 215, 215));
    EXPECT_EQ(sheet.pixel(0, 0), qRgb(255, 255, 255));
}

TEST_F(ExportAndSheet, SheetIsTheSameEveryTimeAndRefusesToReplaceUnlessForced) {
    const QString first = outPath("a.png");
    const QString second = outPath("b.png");
    ASSERT_EQ(RunInProcess({"sheet", "1", "--to", first}).code, 0);
    ASSERT_EQ(RunInProcess({"sheet", "1", "--to", second}).code, 0);
    EXPECT_EQ(QImage(first), QImage(second));
    EXPECT_EQ(QImage(first).width(), kSheetDefaultWidth);

    const QByteArray before = FileBytes(first);
    const ToolRun refused = RunInProcess({"sheet", "0", "--to", first});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(FileBytes(first), before);
    EXPECT_EQ(RunInProcess({"sheet", "0", "--to", first, "--force"}).code, 0);
    EXPECT_NE(FileBytes(first), before);
}

TEST(SheetLayoutLimits, RefusesSheetsThatCannotBeDrawnSensibly) {
    std::string error;
    EXPECT_FALSE(LayOutSheet(10, 0, 1600, 0.5, 14, error));
    EXPECT_FALSE(LayOutSheet(10, 101, 1600, 0.5, 14, error));
    EXPECT_FALSE(LayOutSheet(10, 6, 99, 0.5, 14, error));
    EXPECT_FALSE(LayOutSheet(10, 60, 1600, 0.5, 14, error));       // cells narrower than 32 px
    EXPECT_FALSE(LayOutSheet(2000000, 1, 20000, 0.5, 14, error));  // over 1 GiB
    EXPECT_TRUE(LayOutSheet(0, 6, 1600, 0.5, 14, error));
    // Extreme aspects are clamped: a 1x1000 strip does not make 1000 times taller boxes.
    const std::optional<SheetLayout> tall = LayOutSheet(1, 1, 200, 1000.0, 14, error);
    ASSERT_TRUE(tall);
    EXPECT_EQ(tall->boxHeight, tall->cellWidth * 2);
}

}  // namespace
}  // namespace kelvista::replaycli
