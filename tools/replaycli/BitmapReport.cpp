#include "BitmapReport.h"

#include <QImage>
#include <QSaveFile>

#include "BmpLoader.h"
#include "Command.h"
#include "FrameImage.h"
#include "Output.h"

namespace kelvista::replaycli {

namespace {

// Writes through a temporary file that replaces `path` only once complete, so a failed write
// never leaves a partial PNG behind. RGB32 has no alpha channel: the PNG comes out opaque.
bool WriteOpaquePng(const DibSection& dib, const QString& path, QString& error) {
    const QImage image = FrameImage(dib);
    if (image.isNull()) {
        error = QStringLiteral("the loaded bitmap cannot be shown as a picture");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        error = QStringLiteral("encoding the PNG failed");
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

int ReportBitmap(const std::string& bmpPath, const std::optional<QString>& pngPath) {
    BitmapHandle bitmap;
    DibSection dib;
    const int status = LoadBMP(bmpPath, bitmap, dib);
    PrintField("status", std::to_string(status));
    if (status != 0) {
        PrintError(
            QStringLiteral("%1: not loaded (status %2)").arg(DisplayPath(bmpPath)).arg(status));
        return kExitFailure;
    }
    PrintField("size", std::to_string(dib.width) + "x" + std::to_string(dib.height));
    PrintField("depth", std::to_string(bitmap->sourceBitsPerPixel()));
    if (pngPath) {
        QString error;
        if (!WriteOpaquePng(dib, *pngPath, error)) {
            PrintError(QStringLiteral("%1: cannot write the PNG: %2").arg(*pngPath, error));
            return kExitFailure;
        }
    }
    return kExitSuccess;
}

}  // namespace kelvista::replaycli
