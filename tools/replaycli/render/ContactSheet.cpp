#include "render/ContactSheet.h"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace kelvista::replaycli {

namespace {

constexpr int kMargin = 8;
const QColor kBackground(255, 255, 255);
const QColor kText(20, 20, 20);
const QColor kPlaceholderFill(215, 215, 215);
const QColor kPlaceholderLine(150, 150, 150);
const QColor kPlaceholderText(150, 20, 20);

QFont LabelFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

}  // namespace

QRect SheetLayout::headerRect() const {
    return QRect(margin, margin, width - 2 * margin, headerHeight);
}

QRect SheetLayout::thumbnailBox(size_t index) const {
    const int column = static_cast<int>(index % static_cast<size_t>(columns));
    const int row = static_cast<int>(index / static_cast<size_t>(columns));
    const int x = margin + column * (cellWidth + margin);
    const int y = margin + headerHeight + margin + row * (boxHeight + labelHeight + margin);
    return QRect(x, y, cellWidth, boxHeight);
}

QRect SheetLayout::labelRect(size_t index) const {
    const QRect box = thumbnailBox(index);
    return QRect(box.left(), box.bottom() + 1, cellWidth, labelHeight);
}

std::optional<SheetLayout> LayOutSheet(size_t frameCount, int columns, int width, double aspect,
                                       int labelHeight, std::string& error) {
    if (columns < 1 || columns > kSheetMaxColumns) {
        error = "--columns must be 1 to " + std::to_string(kSheetMaxColumns);
        return std::nullopt;
    }
    if (width < kSheetMinWidth || width > kSheetMaxWidth) {
        error = "--width must be " + std::to_string(kSheetMinWidth) + " to " +
                std::to_string(kSheetMaxWidth) + " pixels";
        return std::nullopt;
    }
    SheetLayout layout;
    layout.columns = columns;
    layout.width = width;
    layout.margin = kMargin;
    layout.headerHeight = labelHeight;
    layout.labelHeight = labelHeight + 4;
    layout.cellWidth = (width - kMargin * (columns + 1)) / columns;
    if (layout.cellWidth < kSheetMinCellWidth) {
        error = "thumbnails would be narrower than " + std::to_string(kSheetMinCellWidth) +
                " pixels: use fewer --columns or a larger --width";
        return std::nullopt;
    }
    if (!(aspect > 0.0) || !std::isfinite(aspect)) {
        aspect = 9.0 / 16.0;
    }
    aspect = std::clamp(aspect, 0.25, 2.0);
    layout.boxHeight = std::max(1, static_cast<int>(std::lround(layout.cellWidth * aspect)));
    const uint64_t rows = (frameCount + static_cast<size_t>(columns) - 1) / columns;
    const uint64_t rowHeight =
        static_cast<uint64_t>(layout.boxHeight + layout.labelHeight) + kMargin;
    const uint64_t height =
        2 * kMargin + static_cast<uint64_t>(layout.headerHeight) + rows * rowHeight;
    if (height * static_cast<uint64_t>(width) * 4 > kSheetMaxBytes || height > INT32_MAX) {
        error = "the sheet would be " + std::to_string(width) + "x" + std::to_string(height) +
                " pixels, more than 1 GiB: use more --columns or a smaller --width";
        return std::nullopt;
    }
    layout.rows = static_cast<int>(rows);
    layout.height = static_cast<int>(height);
    return layout;
}

QImage Thumbnail(const QImage& picture, QSize box) {
    if (picture.isNull() || box.isEmpty()) {
        return QImage();
    }
    if (picture.width() <= box.width() && picture.height() <= box.height()) {
        return picture.copy();
    }
    return picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

SheetPainter::SheetPainter(const SheetLayout& layout)
    : m_layout(layout), m_image(layout.width, layout.height, QImage::Format_RGB32) {
    m_image.fill(kBackground);
}

int SheetPainter::LabelLineHeight() {
    return QFontMetrics(LabelFont()).height();
}

void SheetPainter::drawHeader(const QString& text) {
    QPainter painter(&m_image);
    QFont font = LabelFont();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(kText);
    painter.drawText(m_layout.headerRect(), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void SheetPainter::drawThumbnail(size_t index, const QImage& thumbnail) {
    const QRect box = m_layout.thumbnailBox(index);
    QPainter painter(&m_image);
    const QPoint topLeft(box.left() + (box.width() - thumbnail.width()) / 2,
                         box.top() + (box.height() - thumbnail.height()) / 2);
    painter.drawImage(topLeft, thumbnail);
}

void SheetPainter::drawPlaceholder(size_t index, const QString& reason) {
    const QRect box = m_layout.thumbnailBox(index);
    QPainter painter(&m_image);
    painter.fillRect(box, kPlaceholderFill);
    painter.setPen(kPlaceholderLine);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.drawLine(box.topLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomLeft());
    painter.setFont(LabelFont());
    painter.setPen(kPlaceholderText);
    painter.drawText(box.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, reason);
}

void SheetPainter::drawLabel(size_t index, const QString& label) {
    const QRect rect = m_layout.labelRect(index).adjusted(0, 2, 0, 0);
    QPainter painter(&m_image);
    const QFont font = LabelFont();
    painter.setFont(font);
    painter.setPen(kText);
    const QString elided = QFontMetrics(font).elidedText(label, Qt::ElideRight, rect.width());
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop, elided);
}

}  // namespace kelvista::replaycli
