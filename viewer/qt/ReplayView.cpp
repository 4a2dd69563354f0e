#include "ReplayView.h"

#include <cmath>
#include <string_view>

#include <QFile>
#include <QPaintEvent>
#include <QPainter>

#include "CaptionFile.h"
#include "MainFrame.h"
#include "PixelBlock.h"

namespace kelvista {

ReplayView::ReplayView(QWidget* parent)
    : QWidget(parent),
      ReplayViewLogic(static_cast<ViewShell&>(*this)),
      m_questions(std::make_unique<DialogQuestions>()) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    // Every exposed pixel is painted by paintEvent, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_spareBlockRelease.setSingleShot(true);
    m_spareBlockRelease.setInterval(kSpareBlockKeepMs);
    connect(&m_spareBlockRelease, &QTimer::timeout, [] { ReleaseSparePixelBlock(); });
}

// The surface releases the held frame bitmap; m_hBitmap never holds one past a load.
ReplayView::~ReplayView() = default;

void ReplayView::SetQuestions(std::unique_ptr<ViewQuestions> questions) {
    m_questions = std::move(questions);
}

const std::array<ReplayView::Command, 6> ReplayView::kCommands = {{
    {QKeyCombination(Qt::NoModifier, Qt::Key_Tab), ID_NEXT_FRAME},
    {QKeyCombination(Qt::ShiftModifier, Qt::Key_Tab), ID_PREV_FRAME},
    {QKeyCombination(Qt::NoModifier, Qt::Key_F2), ID_GOTO_FRAME},
    {QKeyCombination(Qt::NoModifier, Qt::Key_F5), ID_REFRESH},
    {QKeyCombination(Qt::NoModifier, Qt::Key_Escape), ID_STOP},
    {QKeyCombination(Qt::NoModifier, Qt::Key_F10), ID_MAX_FRAMES},
}};

void ReplayView::SetMainWindowText(const std::string& text) {
    // Qt takes "[*]" in a title for the window-modified mark and drops it; it shows "[*][*]" as
    // "[*]". Doubling every "[*]" shows the text as written.
    window()->setWindowTitle(
        CaptionText(text).replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
}

ClientSize ReplayView::ViewClientSize() {
    return {width(), height()};
}

void ReplayView::ResizeMainWindowBy(int dx, int dy) {
    if (auto* mainFrame = qobject_cast<CMainFrame*>(window())) {
        mainFrame->ResizeMainWindowBy(dx, dy);
    }
}

ClientSize ReplayView::NaturalClientSize(int width, int height) {
    const QSize client = kelvista::NaturalClientSize(QSize(width, height), devicePixelRatioF());
    return {client.width(), client.height()};
}

void ReplayView::ShowMessage(const char* caption, const std::string& text) {
    m_questions->ShowMessage(this, QString::fromLatin1(caption),
                             QFile::decodeName(QByteArray::fromStdString(text)));
}

bool ReplayView::AskValue(const char* title, const char* label, std::string& value) {
    QString text = QString::fromStdString(value);
    if (!m_questions->AskValue(this, QString::fromLatin1(title), QString::fromLatin1(label),
                               text)) {
        return false;
    }
    value = text.toStdString();
    return true;
}

void ReplayView::Invalidate(bool /*erase*/) {
    // Every paint fills the whole exposed area, so there is no background to erase first.
    update();
}

DibSection ReplayView::SelectFrame(BitmapHandle bitmap) {
    DibSection dib;
    GetDibSection(bitmap.get(), dib);
    // The bitmap of the frame held before is released here; its block stays as the loader's
    // spare until stepping pauses.
    m_surface.Select(std::move(bitmap));
    m_spareBlockRelease.start();
    return dib;
}

bool ReplayView::focusNextPrevChild(bool /*next*/) {
    return false;
}

void ReplayView::paintEvent(QPaintEvent* event) {
    const QRect exposed = event->rect();
    QPainter painter(this);
    if (m_mode == ViewMode::Frame) {
        PaintFrame(painter, exposed);
    } else {
        PaintInfo(painter, exposed);
    }
}

void ReplayView::PaintFrame(QPainter& painter, const QRect& exposed) {
    const QImage& image = m_surface.image();
    const qreal dpr = devicePixelRatioF();
    const QRectF imageRect(0, 0, image.width() / dpr, image.height() / dpr);
    const QRectF target = QRectF(exposed) & imageRect;
    if (!target.isEmpty()) {
        // The source is the same rectangle in the frame's own pixels, so nothing is scaled.
        const QRectF source(target.topLeft() * dpr, target.size() * dpr);
        painter.drawImage(target, image, source);
    }
    // Where the window is larger than the frame (or before any frame), the background shows.
    const QRectF area(exposed);
    const QBrush background = palette().base();
    if (area.right() > imageRect.right()) {
        painter.fillRect(QRectF(QPointF(std::max(area.left(), imageRect.right()), area.top()),
                                area.bottomRight()),
                         background);
    }
    if (area.bottom() > imageRect.bottom()) {
        painter.fillRect(QRectF(QPointF(area.left(), std::max(area.top(), imageRect.bottom())),
                                area.bottomRight()),
                         background);
    }
}

void ReplayView::PaintInfo(QPainter& painter, const QRect& exposed) {
    // A plain window's colours, black on white: Base and Text. Window is the grey of dialogs.
    painter.fillRect(exposed, palette().base());
    const std::string text = InfoScreenText();

    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics(font());
    int baseline = metrics.ascent();
    std::string_view rest(text);
    // One line per CR LF, drawn from the top-left corner.
    while (!rest.empty()) {
        const size_t end = rest.find("\r\n");
        const std::string_view line = rest.substr(0, end);
        painter.drawText(QPoint(0, baseline),
                         QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
        baseline += metrics.lineSpacing();
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 2);
    }
}

QSize NaturalClientSize(QSize pixels, qreal devicePixelRatio) {
    if (devicePixelRatio <= 0) {
        devicePixelRatio = 1;
    }
    // Rounded up, so the whole frame fits when the ratio does not divide its size.
    return QSize(static_cast<int>(std::ceil(pixels.width() / devicePixelRatio)),
                 static_cast<int>(std::ceil(pixels.height() / devicePixelRatio)));
}

}  // namespace kelvista
