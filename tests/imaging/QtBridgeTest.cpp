// The Qt side: trace routing into the "kelvista.imaging" category and QImage wrapping.
#include <gtest/gtest.h>

#include <QImage>
#include <QLoggingCategory>
#include <QString>
#include <vector>

#include "FrameImage.h"
#include "TestSupport.h"

namespace kelvista::test {
namespace {

struct LogRecord {
    QString category;
    QString text;
};
std::vector<LogRecord> g_records;

void Record(QtMsgType, const QMessageLogContext& context, const QString& text) {
    g_records.push_back({QString::fromLatin1(context.category), text});
}

TEST(RouteTracesToQtLog, SendsTracesToTheCategoryWhichIsOffByDefault) {
    if (qEnvironmentVariableIsSet("QT_LOGGING_RULES")) {
        GTEST_SKIP() << "QT_LOGGING_RULES overrides the rules this test sets";
    }
    const QtMessageHandler previousHandler = qInstallMessageHandler(Record);
    const TraceSink previousSink = SetTraceSink({});
    g_records.clear();
    QLoggingCategory::setFilterRules(QString());
    RouteTracesToQtLog();

    TraceMessage("while off");
    EXPECT_TRUE(g_records.empty());

    QLoggingCategory::setFilterRules(QStringLiteral("kelvista.imaging.debug=true"));
    TraceMessage("size(3,2)");
    ASSERT_EQ(g_records.size(), 1u);
    EXPECT_EQ(g_records[0].category, QStringLiteral("kelvista.imaging"));
    EXPECT_EQ(g_records[0].text, QStringLiteral("size(3,2)"));

    QLoggingCategory::setFilterRules(QString());
    SetTraceSink(previousSink);
    qInstallMessageHandler(previousHandler);
}

TEST(FrameImage, WrapsOnlyThirtyTwoBitBlocks) {
    BitmapHandle bitmap = FrameBitmap::Create32(3, 2);
    DibSection dib;
    ASSERT_TRUE(GetDibSection(bitmap.get(), dib));
    dib.bits[4 * 3 + 2] = 0xAB;  // red of the first pixel of row 1
    const QImage image = FrameImage(dib);
    EXPECT_EQ(image.constBits(), dib.bits);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(qRed(image.pixel(0, 1)), 0xAB);

    DibSection withoutBlock = dib;
    withoutBlock.bits = nullptr;
    EXPECT_TRUE(FrameImage(withoutBlock).isNull());
}

}  // namespace
}  // namespace kelvista::test
