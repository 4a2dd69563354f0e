#include "DemoPicture.h"

#include <array>
#include <cmath>

#include <QColor>
#include <QLinearGradient>
#include <QPainter>

namespace kelvista::demo {

namespace {

// Segments a to g of each digit, bit 0 = a (top), clockwise, g (middle) last.
constexpr std::array<unsigned, 10> kDigitSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                     0x6D, 0x7D, 0x07, 0x7F, 0x6F};

double AdvanceOf(QChar c, double digitHeight) {
    return c == QLatin1Char('.') ? digitHeight * 0.25 : digitHeight * 0.65;
}

void DrawDigitSegments(QPainter& painter, unsigned segments, double x, double y, double h) {
    const double w = h * 0.5;
    const double t = h * 0.1;  // stroke thickness
    const double half = h / 2;
    const std::array<QRectF, 7> bars = {
        QRectF(x + t, y, w - 2 * t, t),                            // a
        QRectF(x + w - t, y + t, t, half - 1.5 * t),               // b
        QRectF(x + w - t, y + half + 0.5 * t, t, half - 1.5 * t),  // c
        QRectF(x + t, y + h - t, w - 2 * t, t),                    // d
        QRectF(x, y + half + 0.5 * t, t, half - 1.5 * t),          // e
        QRectF(x, y + t, t, half - 1.5 * t),                       // f
        QRectF(x + t, y + half - 0.5 * t, w - 2 * t, t),           // g
    };
    for (size_t i = 0; i < bars.size(); ++i) {
        if ((segments >> i) & 1u) {
            painter.drawRoundedRect(bars[i], t / 3, t / 3);
        }
    }
}

}  // namespace

double SegmentTextWidth(const QString& text, double digitHeight) {
    double width = 0;
    for (const QChar c : text) {
        width += AdvanceOf(c, digitHeight);
    }
    return width;
}

void DrawSegmentText(QPainter& painter, const QString& text, double x, double y,
                     double digitHeight) {
    for (const QChar c : text) {
        if (c.isDigit()) {
            DrawDigitSegments(painter, kDigitSegments[static_cast<size_t>(c.digitValue())], x, y,
                              digitHeight);
        } else if (c == QLatin1Char('-')) {
            DrawDigitSegments(painter, 0x40, x, y, digitHeight);
        } else if (c == QLatin1Char('.')) {
            const double t = digitHeight * 0.1;
            painter.drawRect(QRectF(x + t * 0.5, y + digitHeight - t, t, t));
        }
        x += AdvanceOf(c, digitHeight);
    }
}

QImage DrawDemoFrame(int width, int height, int session, int frame) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const int hue = (session * 137 + frame * 9) % 360;
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor::fromHsv(hue, 160, 230));
    gradient.setColorAt(1, QColor::fromHsv((hue + 60) % 360, 200, 90));
    painter.fillRect(image.rect(), gradient);

    painter.setPen(QPen(QColor(255, 255, 255, 60), 1));
    for (int x = 40; x < width; x += 40) {
        painter.drawLine(x, 0, x, height);
    }
    for (int y = 40; y < height; y += 40) {
        painter.drawLine(0, y, width, y);
    }

    // A ball that travels along an ellipse as the frames go by.
    const double angle = frame * 0.5;
    const double radius = std::min(width, height) / 10.0;
    const QPointF centre(width / 2.0 + std::cos(angle) * width * 0.3,
                         height / 2.0 + std::sin(angle) * height * 0.3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv((hue + 180) % 360, 220, 250));
    painter.drawEllipse(centre, radius, radius);

    const QString position =
        QStringLiteral("%1.%2").arg(session).arg(frame, 3, 10, QLatin1Char('0'));
    const double digitHeight = height / 4.0;
    const double textWidth = SegmentTextWidth(position, digitHeight);
    const double left = (width - textWidth) / 2;
    const double top = (height - digitHeight) / 2;
    painter.setBrush(QColor(0, 0, 0, 90));
    DrawSegmentText(painter, position, left + digitHeight * 0.04, top + digitHeight * 0.04,
                    digitHeight);
    painter.setBrush(QColor(255, 255, 255));
    DrawSegmentText(painter, position, left, top, digitHeight);

    // The outermost pixels, so a screenshot shows whether the whole frame is on screen.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 0), 1));
    painter.drawRect(0, 0, width - 1, height - 1);
    return image;
}

}  // namespace kelvista::demo
