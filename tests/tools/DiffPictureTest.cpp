// The comparison picture: the rest dimmed, regions kept, outlines outside the box in a colour
// that stands out, and inside it along the frame's edge.
#include <gtest/gtest.h>

#include <QImage>

#include "render/DiffPicture.h"

namespace kelvista::replaycli {
namespace {

TEST(DiffPicture, OutlinesRegionsAndDimsTheRest) {
    const struct {
        const char* name;
        QRgb background;
        DiffRegion region;
        QPoint kept, outline, dimmed;
        QRgb colour;
    } rows[] = {
        {"inside", 0xFF00FF00, {8, 8, 4, 4}, {8, 8}, {6, 6}, {5, 5}, 0xFFFF00FF},
        {"on magenta", 0xFFFF00FF, {8, 8, 4, 4}, {11, 11}, {13, 9}, {14, 9}, 0xFF00FF00},
        {"on blue", 0xFF0000FF, {8, 8, 4, 4}, {10, 10}, {9, 12}, {9, 14}, 0xFFFFFF00},
        {"at the edge", 0xFF00FF00, {0, 0, 4, 4}, {2, 2}, {1, 1}, {6, 6}, 0xFFFF00FF},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QImage frame(20, 20, QImage::Format_RGB32);
        frame.fill(row.background);
        const QImage picture = DiffPicture(frame, {row.region});
        ASSERT_EQ(picture.size(), frame.size());
        EXPECT_EQ(picture.pixel(row.kept), row.background);
        EXPECT_EQ(picture.pixel(row.outline), row.colour);
        const QRgb b = row.background;
        EXPECT_EQ(picture.pixel(row.dimmed), qRgb(qRed(b) / 3, qGreen(b) / 3, qBlue(b) / 3));
    }
    EXPECT_TRUE(DiffPicture(QImage(), {}).isNull());
}

}  // namespace
}  // namespace kelvista::replaycli
