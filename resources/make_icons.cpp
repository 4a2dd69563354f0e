// Draws the program icon at every size it ships in and writes them as kelvista-<size>.png into the
// folder given on the command line. The PNGs in this folder were made with it.
#include <cstdio>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

// A film frame with a play mark on a blue tile, drawn on a 256-unit grid and scaled to `size`.
QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);

    QLinearGradient tile(0, 0, 0, 256);
    tile.setColorAt(0, QColor(0x2f, 0x6f, 0xd0));
    tile.setColorAt(1, QColor(0x17, 0x3a, 0x7a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);

    // The screen of the frame, with sprocket holes above and below.
    painter.setBrush(QColor(0xf4, 0xf6, 0xfa));
    painter.drawRoundedRect(QRectF(40, 68, 176, 120), 12, 12);
    painter.setBrush(QColor(0xf4, 0xf6, 0xfa, 0xd0));
    for (int hole = 0; hole < 5; ++hole) {
        painter.drawRect(QRectF(44 + hole * 36, 36, 20, 18));
        painter.drawRect(QRectF(44 + hole * 36, 202, 20, 18));
    }

    painter.setBrush(QColor(0xe8, 0x5d, 0x2a));
    const QPolygonF play({QPointF(108, 94), QPointF(108, 162), QPointF(166, 128)});
    painter.drawPolygon(play);
    return image;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvista-make-icons FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = folder.filePath(QStringLiteral("kelvista-%1.png").arg(size));
        if (!DrawIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "kelvista-make-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
