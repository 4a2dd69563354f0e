#include "render/DiffPicture.h"

#include <algorithm>
#include <array>

#include <QPainter>

namespace kelvista::replaycli {
namespace {

constexpr int kOutline = 2;
constexpr std::array<QRgb, 3> kOutlineColours = {0xFFFF00FF, 0xFF00FF00, 0xFFFFFF00};

// The 2-pixel frame along the inside of `outer`, as up to four rectangles.
std::array<QRect, 4> FrameRects(const QRect& outer) {
    const int side = std::min(kOutline, std::min(outer.width(), outer.height()));
    return {QRect(outer.left(), outer.top(), outer.width(), side),
            QRect(outer.left(), outer.bottom() - side + 1, outer.width(), side),
            QRect(outer.left(), outer.top(), side, outer.height()),
            QRect(outer.right() - side + 1, outer.top(), side, outer.height())};
}

// Of the outline colours, the one farthest (squared distance) from the average under `outer`'s
// frame in `frame`.
QRgb StandOutColour(const QImage& frame, const QRect& outer) {
    double sum[3] = {0, 0, 0};
    double count = 0;
    for (const QRect& rect : FrameRects(outer)) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            for (int x = rect.left(); x <= rect.right(); ++x) {
                sum[0] += qRed(row[x]);
                sum[1] += qGreen(row[x]);
                sum[2] += qBlue(row[x]);
                ++count;
            }
        }
    }
    QRgb best = kOutlineColours[0];
    double bestDistance = -1;
    for (const QRgb colour : kOutlineColours) {
        const double d[3] = {qRed(colour) - sum[0] / count, qGreen(colour) - sum[1] / count,
                             qBlue(colour) - sum[2] / count};
        const double distance = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        if (distance > bestDistance) {
            best = colour;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace

QImage DiffPicture(const QImage& frame, const std::vector<DiffRegion>& regions) {
    if (frame.isNull()) {
        return {};
    }
    const QImage original = frame.convertToFormat(QImage::Format_RGB32);
    QImage picture(original.size(), QImage::Format_RGB32);
    if (picture.isNull()) {
        return {};
    }
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(original.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            out[x] = qRgb(qRed(in[x]) / 3, qGreen(in[x]) / 3, qBlue(in[x]) / 3);
        }
    }
    const QRect whole = picture.rect();
    QPainter painter(&picture);
    for (const DiffRegion& region : regions) {
        const QRect box = QRect(region.x, region.y, region.width, region.height) & whole;
        if (!box.isEmpty()) {
            painter.drawImage(box.topLeft(), original, box);
        }
    }
    for (const DiffRegion& region : regions) {
        const QRect box = QRect(region.x, region.y, region.width, region.height) & whole;
        if (box.isEmpty()) {
            continue;
        }
        const QRect outer = box.adjusted(-kOutline, -kOutline, kOutline, kOutline) & whole;
        const QRgb colour = StandOutColour(original, outer);
        for (const QRect& rect : FrameRects(outer)) {
            painter.fillRect(rect, QColor(colour));
        }
    }
    painter.end();
    return picture;
}

}  // namespace kelvista::replaycli
