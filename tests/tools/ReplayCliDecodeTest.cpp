#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringList>

#include "ReplayCliRunner.h"

namespace kelvista::tooltest {
namespace {

const QStringList kLoadedSmallPicture = {"status: 0", "size: 3x2", "depth: 24"};

class ReplayCliDecodeTest : public testing::Test {
protected:
    QString path(const char* name) const {
        return m_sandbox.home() + QLatin1Char('/') + QLatin1String(name);
    }

    ToolSandbox m_sandbox;
};

TEST_F(ReplayCliDecodeTest, LoadedPictureReportsStatusSizeAndDepth) {
    m_sandbox.writeFile(path("small.bmp"), SmallPicture());
    const ToolRun run = m_sandbox.run({QStringLiteral("decode"), path("small.bmp")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.outLines(), kLoadedSmallPicture);
    EXPECT_EQ(run.err, "");
}

TEST_F(ReplayCliDecodeTest, PngHoldsTheSamePixelsOpaque) {
    m_sandbox.writeFile(path("small.bmp"), SmallPicture());
    const QList<QStringList> forms = {
        {"decode", path("small.bmp"), "--png", path("out.png")},
        {"decode", "--png", path("out.png"), path("small.bmp")},
        {"decode", path("small.bmp"), "--png=" + path("out.png")},
    };
    for (const QStringList& arguments : forms) {
        QFile::remove(path("out.png"));
        const ToolRun run = m_sandbox.run(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.outLines(), kLoadedSmallPicture);

        QImage png(path("out.png"), "PNG");
        ASSERT_FALSE(png.isNull()) << arguments.join(' ').toStdString();
        EXPECT_FALSE(png.hasAlphaChannel());
        ASSERT_EQ(png.size(), QSize(3, 2));
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(png.pixel(x, y), 0xFF000000u | SmallPictureColour(x, y)) << x << "," << y;
            }
        }
    }
    // Written through a temporary name: nothing else is left in the folder.
    const QStringList entries = QDir(m_sandbox.home()).entryList(QDir::Files);
    EXPECT_EQ(entries, (QStringList{"out.png", "small.bmp"}));
}

TEST_F(ReplayCliDecodeTest, PngMatchesTheReferenceRendering) {
    const QString data = QStringLiteral(KELVISTA_TEST_DATA "/bmpsuite");
    const ToolRun run =
        m_sandbox.run({"decode", data + "/good/rgb24.bmp", "--png", path("rgb24.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
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
    QByteArray bytes;  // empty: no file at all
    int status;
    const char* reason;  // part of the one error line
};

class ReplayCliRefusalTest : public ReplayCliDecodeTest,
                             public testing::WithParamInterface<Refusal> {};

TEST_P(ReplayCliRefusalTest, PrintsOnlyTheStatusAndWritesNoPng) {
    if (!GetParam().bytes.isEmpty()) {
        m_sandbox.writeFile(path("in.bmp"), GetParam().bytes);
    }
    const ToolRun run = m_sandbox.run({"decode", path("in.bmp"), "--png", path("out.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.outLines(), QStringList{QStringLiteral("status: %1").arg(GetParam().status)});
    ASSERT_EQ(run.errLines().size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.errLines().front().contains(QLatin1String(GetParam().reason)))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("out.png")));
}

QByteArray FileBytes(const char* relative) {
    QFile file(QStringLiteral(KELVISTA_TEST_DATA "/bmpsuite/") + QLatin1String(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReplayCliRefusalTest,
    testing::Values(
        Refusal{"Missing", QByteArray(), -1, "not a BMP file the viewer can read"},
        Refusal{"NotABitmap", QByteArray("<html>Hand 12</html>\n"), -1,
                "not a BMP file the viewer can read"},
        Refusal{"Truncated", SmallPicture().left(40), -1, "not a BMP file the viewer can read"},
        Refusal{"EightBit", FileBytes("good/pal8.bmp"), -2, "8-bit pixels are not supported"}),
    [](const testing::TestParamInfo<Refusal>& param) { return std::string(param.param.name); });

TEST_F(ReplayCliDecodeTest, UnwritablePngIsAFailureAfterTheReport) {
    m_sandbox.writeFile(path("small.bmp"), SmallPicture());
    const ToolRun run =
        m_sandbox.run({"decode", path("small.bmp"), "--png", path("no/such/folder/out.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.outLines(), kLoadedSmallPicture);
    EXPECT_EQ(run.errLines().size(), 1) << run.err.toStdString();
}

}  // namespace
}  // namespace kelvista::tooltest
