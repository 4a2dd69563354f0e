#include "BitmapReport.h"

#include "BmpLoader.h"
#include "Command.h"
#include "FrameImage.h"
#include "Output.h"

namespace kelvista::replaycli {

namespace {

// Why the loader refused a file, for the one error line.
QString RefusalReason(int status, const FrameBitmap* bitmap) {
    if (status == -1) {
        return QStringLiteral(
            "not a BMP file the viewer can read (missing, damaged, truncated or "
            "larger than 1 GiB)");
    }
    if (status == -2 && bitmap != nullptr) {
        const int bits = bitmap->sourceBitsPerPixel();
        if (bits == 0) {
            return QStringLiteral(
                "embedded JPEG or PNG pixels are not supported (the viewer "
                "shows uncompressed 24-bit and 32-bit frames)");
        }
        const bool compressed = (bits == 24 || bits == 32) && !bitmap->decodable();
        return QStringLiteral(
                   "%1%2-bit pixels are not supported (the viewer shows uncompressed "
                   "24-bit and 32-bit frames)")
            .arg(compressed ? QStringLiteral("compressed ") : QString())
            .arg(bits);
    }
    return QStringLiteral("the loaded bitmap could not be read back");
}

}  // namespace

int ReportBitmap(const std::string& bmpPath, const std::optional<QString>& pngPath,
                 CommandStreams io) {
    BitmapHandle bitmap;
    DibSection dib;
    const int status = LoadBMP(bmpPath, bitmap, dib);
    io.out << "status: " << status << "\n";
    if (status != 0) {
        const QString reason = RefusalReason(status, bitmap.get());
        return io.fail(kExitFailure, DisplayPath(bmpPath).toStdString() + ": not loaded (status " +
                                         std::to_string(status) + "): " + reason.toStdString());
    }
    io.out << "size: " << dib.width << "x" << dib.height << "\n";
    io.out << "depth: " << bitmap->sourceBitsPerPixel() << "\n";
    if (pngPath) {
        // RGB32 has no alpha channel: the PNG comes out opaque.
        std::string error;
        if (!SavePng(FrameImage(dib), *pngPath, error)) {
            return io.fail(kExitFailure, error);
        }
    }
    return kExitSuccess;
}

}  // namespace kelvista::replaycli
