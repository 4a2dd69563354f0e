#include "ReplayView.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

#include <QFile>
#include <QPaintEvent>
#include <QPainter>

#include "CaptionFile.h"
#include "FrameNumbers.h"
#include "MainFrame.h"
#include "PixelBlock.h"
#include "ReplayFrame.h"
#include "ReplayLayout.h"
#include "SettingsStore.h"
#include "ValueScanner.h"
#include "ViewTexts.h"

namespace kelvista {

ReplayView::ReplayView(QWidget* parent)
    : QWidget(parent), m_questions(std::make_unique<DialogQuestions>()) {
    m_nMaxFrames = ReadSettingDword(kMaxFramesSetting, kDefaultMaxFrames);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    // Every exposed pixel is painted by OnPaint, so Qt need not clear it first.
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
    {QKeyCombination(Qt::NoModifier, Qt::Key_Tab), ID_NEXT_FRAME, &ReplayView::OnNextFrame},
    {QKeyCombination(Qt::ShiftModifier, Qt::Key_Tab), ID_PREV_FRAME, &ReplayView::OnPrevFrame},
    {QKeyCombination(Qt::NoModifier, Qt::Key_F2), ID_GOTO_FRAME, &ReplayView::OnGotoFrame},
    {QKeyCombination(Qt::NoModifier, Qt::Key_F5), ID_REFRESH, &ReplayView::OnRefresh},
    {QKeyCombination(Qt::NoModifier, Qt::Key_Escape), ID_STOP, &ReplayView::OnStop},
    {QKeyCombination(Qt::NoModifier, Qt::Key_F10), ID_MAX_FRAMES, &ReplayView::OnMaxFrames},
}};

bool ReplayView::OnCmdMsg(int id) {
    for (const Command& command : kCommands) {
        if (command.id == id) {
            (this->*command.handler)();
            return true;
        }
    }
    return false;
}

void ReplayView::OnNextFrame() {
    ShowFrame(m_nSession, NextFrameNumber(m_nFrame, m_nMaxFrames));
}

void ReplayView::OnPrevFrame() {
    ShowFrame(m_nSession, PrevFrameNumber(m_nFrame, m_nMaxFrames));
}

void ReplayView::OnGotoFrame() {
    int32_t session = m_nSession;
    int32_t frame = m_nFrame;
    if (AskSessionFrame(session, frame) != 0) {
        ShowFrame(session, frame);
    }
}

void ReplayView::ShowFrame(int32_t session, int32_t frame) {
    // Frame mode is set before the presence test: a step to an absent frame still leaves it.
    m_mode = ViewMode::Frame;
    // A frame whose path does not fit has no path at all: it is not present.
    if (const std::optional<std::string> basePath = FindFrame(session, frame)) {
        m_nSession = session;
        m_nFrame = frame;
        LoadReplayFrame(*basePath);
    }
}

int ReplayView::AskSessionFrame(int32_t& session, int32_t& frame) {
    QString value = QString::asprintf("%d.%d", session, frame);
    if (!m_questions->AskValue(this, QStringLiteral("Select [session.frame]"),
                               QStringLiteral("[session.frame]"), value)) {
        return 0;
    }
    ScanSessionFrame(value.toStdString(), session, frame);
    return 1;
}

void ReplayView::OnRefresh() {
    update();
}

void ReplayView::OnStop() {
    if (m_mode != ViewMode::Frame) {
        return;
    }
    m_mode = ViewMode::Info;
    SetMainWindowText(QStringLiteral("kelvista"));
    // Whitens the held frame through m_dib, which is zero (and whitens nothing) after a failed
    // bitmap load.
    if (m_dib.bits != nullptr && m_dib.width > 0 && m_dib.height > 0) {
        const size_t bytes =
            static_cast<size_t>(m_dib.width) * static_cast<size_t>(m_dib.height) * 4;
        std::memset(m_dib.bits, 0xFF, bytes);
    }
    ResizeClientTo(400, 300);
    update();
}

void ReplayView::OnMaxFrames() {
    QString value = QString::asprintf("%d", m_nMaxFrames);
    if (!m_questions->AskValue(this, QStringLiteral("Select Max Frames"),
                               QStringLiteral("Max Frames (10-1000)"), value)) {
        return;
    }
    int32_t maxFrames = m_nMaxFrames;
    ScanInt(value.toStdString(), maxFrames);
    if (maxFrames >= 10 && maxFrames <= 1000) {
        m_nMaxFrames = maxFrames;
        update();
    }
}

int ReplayView::LoadReplayFrame(const std::string& basePath) {
    const FrameContent content = ReadFrame(basePath, m_hBitmap, m_dib);
    if (content.outcome == FrameContent::Outcome::CaptionUnreadable) {
        ShowMissingFrame("MISSING FRAME (HTM)", basePath);
        return -1;
    }
    SetMainWindowText(TitleText(CaptionText(content.caption), m_nSession, m_nFrame));
    if (content.outcome == FrameContent::Outcome::ScreenshotRefused) {
        ShowMissingFrame("MISSING FRAME (BMP)", basePath);
        return -1;
    }
    // The bitmap of the frame held before is released here; its block stays as the loader's
    // spare until stepping pauses.
    m_surface.Select(std::move(m_hBitmap));
    m_spareBlockRelease.start();

    const QSize client = NaturalClientSize(QSize(m_dib.width, m_dib.height), devicePixelRatioF());
    ResizeClientTo(client.width(), client.height());
    update();
    return 0;
}

int ReplayView::ResizeClientTo(int width, int height) {
    const QRect client = rect();
    if (auto* mainFrame = qobject_cast<CMainFrame*>(window())) {
        mainFrame->ResizeMainWindowBy(width - client.width(), height - client.height());
    }
    return 0;
}

void ReplayView::SetMainWindowText(const QString& text) {
    // Qt takes "[*]" in a title for the window-modified mark and drops it; it shows "[*][*]" as
    // "[*]". Doubling every "[*]" shows the text as written.
    window()->setWindowTitle(QString(text).replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
}

void ReplayView::ShowMissingFrame(const char* caption, const std::string& basePath) {
    m_questions->ShowMessage(this, QString::fromLatin1(caption),
                             QFile::decodeName(QByteArray::fromStdString(basePath)));
}

bool ReplayView::focusNextPrevChild(bool /*next*/) {
    return false;
}

void ReplayView::paintEvent(QPaintEvent* event) {
    OnPaint(event->rect());
}

void ReplayView::OnPaint(const QRect& exposed) {
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
    char stamp[kShortTextCapacity];
    BuildStamp(stamp, sizeof stamp);
    const std::string text = InfoText(stamp, m_nSession, m_nFrame, m_nMaxFrames);

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
