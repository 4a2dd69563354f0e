#include "FrameImage.h"

#include <QLoggingCategory>
#include <QString>

#include "Trace.h"

namespace kelvista {

namespace {

Q_LOGGING_CATEGORY(lcImaging, "kelvista.imaging", QtWarningMsg)

}  // namespace

QImage FrameImage(const DibSection& dib) {
    if (dib.bits == nullptr || dib.bitsPerPixel != 32 || dib.width <= 0 || dib.height <= 0 ||
        dib.bytesPerRow < dib.width * 4) {
        return QImage();
    }
    return QImage(dib.bits, dib.width, dib.height, dib.bytesPerRow, QImage::Format_RGB32);
}

void RouteTracesToQtLog() {
    SetTraceSink([](const std::string& text) {
        qCDebug(lcImaging).noquote() << QString::fromStdString(text);
    });
}

}  // namespace kelvista
