#pragma once

// sheet's picture: the grid's layout, the thumbnails and the painting of cells and labels.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <QImage>
#include <QRect>
#include <QString>

namespace kelvista::replaycli {

inline constexpr int kSheetDefaultColumns = 6;
inline constexpr int kSheetDefaultWidth = 1600;
inline constexpr int kSheetMaxColumns = 100;
inline constexpr int kSheetMinWidth = 100;
inline constexpr int kSheetMaxWidth = 20000;
inline constexpr int kSheetMinCellWidth = 32;
inline constexpr uint64_t kSheetMaxBytes = uint64_t{1} << 30;

// Where everything of a contact sheet goes. The grid depends only on the frame count, the
// columns, the width, the thumbnail aspect and the label height, so the same session always gives
// the same picture.
struct SheetLayout {
    int columns = 0;
    int rows = 0;
    int width = 0;
    int height = 0;
    int margin = 0;
    int headerHeight = 0;
    int cellWidth = 0;  // also the thumbnail box's width
    int boxHeight = 0;  // thumbnail box
    int labelHeight = 0;

    QRect headerRect() const;
    QRect thumbnailBox(size_t index) const;
    QRect labelRect(size_t index) const;
};

// nullopt with `error` when the sheet cannot be laid out: columns or width out of range, cells
// narrower than kSheetMinCellWidth, or a picture larger than kSheetMaxBytes.
// `aspect` is height / width of the thumbnail box; it is kept within 1/4 .. 2.
std::optional<SheetLayout> LayOutSheet(size_t frameCount, int columns, int width, double aspect,
                                       int labelHeight, std::string& error);

// The thumbnail of a picture: scaled down (never up) with smooth filtering to fit `box`, aspect
// kept.
QImage Thumbnail(const QImage& picture, QSize box);

// Draws on a sheet of `layout`'s size. Needs a QGuiApplication (fonts).
class SheetPainter {
public:
    explicit SheetPainter(const SheetLayout& layout);

    // The label font's line height, for LayOutSheet.
    static int LabelLineHeight();

    void drawHeader(const QString& text);
    void drawThumbnail(size_t index, const QImage& thumbnail);
    // A frame the viewer cannot show: a crossed grey box that says why.
    void drawPlaceholder(size_t index, const QString& reason);
    // "[3.007] Caption start..." elided to the cell.
    void drawLabel(size_t index, const QString& label);

    const QImage& image() const { return m_image; }

private:
    SheetLayout m_layout;
    QImage m_image;
};

}  // namespace kelvista::replaycli
