#include <cstring>

#include <QImage>
#include <QString>

#include "PeerDecoders.h"

namespace kelvista::bench {

bool DecodeWithQt(const std::string& path, DecodeOutcome& outcome) {
    QImage image(QString::fromStdString(path), "BMP");
    if (image.isNull()) {
        return false;
    }
    if (image.format() != QImage::Format_RGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    outcome.width = image.width();
    outcome.height = image.height();
    std::memcpy(&outcome.firstPixel, image.constBits(), sizeof outcome.firstPixel);
    return true;
}

}  // namespace kelvista::bench
