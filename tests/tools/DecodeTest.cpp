#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

#include "BmpBytes.h"
#include "RunTool.h"
#include "TestPictures.h"

namespace kelvista::replaycli {
namespace {

using test::Lines;
using test::RunInProcess;
using test::ToolRun;

const std::vector<std::string> kLoadedSmallPicture = {"status: 0", "size: 3x2", "depth: 24"};

QByteArray TestData(const char* relative) {
    QFile file(QStringLiteral(KELVISTA_TEST_DATA "/bmpsuite/") + QLatin1String(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DecodeTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    void write(const char* name, const std::string& bytes) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    QTemporaryDir m_dir;
};

TEST_F(DecodeTest, LoadedPictureReportsStatusSizeAndDepth) {
    write("small.bmp", test::Bmp24(test::SmallPicture()));
    const ToolRun run = RunInProcess({"decode", path("small.bmp")});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(Lines(run.out), kLoadedSmallPicture);
    EXPECT_EQ(run.err, "");
}

TEST_F(DecodeTest, PngHoldsTheSamePixelsOpaque) {
    write("small.bmp", test::Bmp24(test::SmallPicture()));
    const QList<QStringList> forms = {
        {"decode", path("small.bmp"), "--png", path("out.png")},
        {"decode", "--png", path("out.png"), path("small.bmp")},
        {"decode", path("small.bmp"), "--png=" + path("out.png")},
    };
    for (const QStringList& arguments : forms) {
        QFile::remove(path("out.png"));
        const ToolRun run = RunInProcess(arguments);
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(Lines(run.out), kLoadedSmallPicture);

        const QImage png(path("out.png"), "PNG");
        ASSERT_FALSE(png.isNull()) << arguments.join(' ').toStdString();
        EXPECT_FALSE(png.hasAlphaChannel());
        EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), test::SmallPicture());
    }
    // Written through a temporary name: nothing else is left in the folder.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), (QStringList{"out.png", "small.bmp"}));
}

TEST_F(DecodeTest, PngMatchesTheReferenceRendering) {
    const QString data = QStringLiteral(KELVISTA_TEST_DATA "/bmpsuite");
    const ToolRun run =
        RunInProcess({"decode", data + "/good/rgb24.bmp", "--png", path("rgb24.png")});
    ASSERT_EQ(run.code, 0) << run.err;
    const QImage written = QImage(path("rgb24.png")).convertToFormat(QImage::Format_RGB32);
    const QImage reference =
        QImage(data + "/reference/rgb24.png").convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(reference.isNull());
    ASSERT_EQ(written.size(), reference.size());
    int mismatches = 0;
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            if (written.pixel(x, y) != reference.pixel(x, y) && mismatches++ == 0) {
                ADD_FAILURE() << "first mismatch at " << x << "," << y << ": " << std::hex
                              << written.pixel(x, y) << " instead of " << reference.pixel(x, y);
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

struct Refusal {
    const char* name;
    std::string bytes;  // empty: no file at all
    int status;
    const char* reason;  // part of the one error line
};

class DecodeRefusalTest : public DecodeTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(DecodeRefusalTest, PrintsOnlyTheStatusAndWritesNoPng) {
    if (!GetParam().bytes.empty()) {
        write("in.bmp", GetParam().bytes);
    }
    const ToolRun run = RunInProcess({"decode", path("in.bmp"), "--png", path("out.png")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "status: " + std::to_string(GetParam().status) + "\n");
    ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find(GetParam().reason), std::string::npos) << run.err;
    EXPECT_FALSE(QFile::exists(path("out.png")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DecodeRefusalTest,
    ::testing::Values(Refusal{"Missing", "", -1, "not a BMP file the viewer can read"},
                      Refusal{"NotABitmap", "<html>Hand 12</html>\n", -1,
                              "not a BMP file the viewer can read"},
                      Refusal{"Truncated", test::Bmp24(test::SmallPicture()).substr(0, 40), -1,
                              "not a BMP file the viewer can read"},
                      Refusal{"EightBit", TestData("good/pal8.bmp").toStdString(), -2,
                              "8-bit pixels are not supported"}),
    [](const ::testing::TestParamInfo<Refusal>& param) { return std::string(param.param.name); });

TEST_F(DecodeTest, UnwritablePngIsAFailureAfterTheReport) {
    write("small.bmp", test::Bmp24(test::SmallPicture()));
    const ToolRun run =
        RunInProcess({"decode", path("small.bmp"), "--png", path("no/such/folder/out.png")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(Lines(run.out), kLoadedSmallPicture);
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
}

}  // namespace
}  // namespace kelvista::replaycli
