#include "commands/BitmapReport.h"

#include <sys/stat.h>

#include <QImage>

#include "BmpLoader.h"
#include "FrameImage.h"
#include "cli/Command.h"
#include "cli/Output.h"
#include "commands/OutputTarget.h"
#include "render/PngOutput.h"

namespace kelvista::replaycli {

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

std::optional<PngRequest> PngRequestOf(const char* command, const ParsedArguments& arguments) {
    if (!arguments.isSet("png")) {
        return std::nullopt;
    }
    return PngRequest{command, LocalPath(arguments.value("png")), arguments.isSet("force")};
}

Status ReportBitmap(const std::string& bmpPath, const std::optional<PngRequest>& png,
                    CommandStreams io) {
    BitmapHandle bitmap;
    DibSection dib;
    const int status = LoadBMP(bmpPath, bitmap, dib);
    return ReportLoadedBitmap(bmpPath, status, bitmap.get(), dib, png, io);
}

Status ReportLoadedBitmap(const std::string& bmpPath, int status, const FrameBitmap* bitmap,
                          const DibSection& dib, const std::optional<PngRequest>& png,
                          CommandStreams io) {
    io.out << "status: " << status << "\n";
    if (status != 0 && LastLoadRanOutOfMemory()) {
        // Nothing is known of the file: the machine had no memory for its pixels.
        return Failure{kExitFailure,
                       DisplayPath(bmpPath).toStdString() + ": not loaded: out of memory"};
    }
    if (status != 0) {
        const QString reason = RefusalReason(status, bitmap);
        return Failure{kExitFailure, DisplayPath(bmpPath).toStdString() + ": not loaded (status " +
                                         std::to_string(status) + "): " + reason.toStdString()};
    }
    io.out << "size: " << dib.width << "x" << dib.height << "\n";
    io.out << "depth: " << bitmap->sourceBitsPerPixel() << "\n";
    if (!png) {
        return {};
    }
    // RGB32 has no alpha channel: the PNG comes out opaque.
    return WritePngOutput(*png, FrameImage(dib), bmpPath);
}

Status WritePngOutput(const PngRequest& png, const QImage& image, const std::string& inputPath) {
    SingleFileOutput::Request request{png.command, png.path, png.force, std::nullopt, true};
    struct stat input {};
    if (stat(inputPath.c_str(), &input) == 0) {
        request.input = fileio::IdOf(input);
    }
    std::string error;
    std::optional<SingleFileOutput> output = SingleFileOutput::Prepare(request, error);
    if (!output) {
        return Failure{kExitFailure, error};
    }
    switch (output->write(
        [&image](int fd, std::string& reason) { return WritePng(fd, image, reason); }, error)) {
        case SingleFileOutput::Outcome::Written:
            return {};
        case SingleFileOutput::Outcome::Interrupted:
            return InterruptedFailure(png.command);
        case SingleFileOutput::Outcome::Failed:
            break;
    }
    return Failure{kExitFailure, error};
}

CommandStreams ReportStreams(const std::optional<PngRequest>& png, CommandStreams io) {
    return png && WritesToStandardOutput(png->path) ? CommandStreams{io.err, io.err} : io;
}

PngInterruptGuard::PngInterruptGuard(const std::optional<PngRequest>& png) {
    if (png) {
        m_guard.emplace();
    }
}

}  // namespace kelvista::replaycli
