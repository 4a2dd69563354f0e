#pragma once

// What decode and frame print about a screenshot, and the PNG they write of it with --png.

#include <optional>
#include <string>

#include <QImage>
#include <QString>

#include "FrameBitmap.h"
#include "InterruptSignals.h"
#include "cli/Command.h"
#include "cli/CommandArguments.h"

namespace kelvista::replaycli {

// Where --png writes the loaded picture.
struct PngRequest {
    const char* command = "";  // "decode" or "frame", for messages
    std::string path;          // OUT as file-system bytes
    bool force = false;        // replaces an existing OUT
};

// The options decode and frame share: "--png OUT" and "--force".
inline const std::vector<OptionSpec> kPngOptions = {{"png", "OUT"}, {"force"}};

// The request of the parsed "--png OUT [--force]", none without --png.
std::optional<PngRequest> PngRequestOf(const char* command, const ParsedArguments& arguments);

// The streams the report goes to: a PNG on standard output has it to itself, so the report goes
// to stderr then.
CommandStreams ReportStreams(const std::optional<PngRequest>& png, CommandStreams io);

// While it lives and a PNG is asked for, a signal takes back the PNG written so far and stops the
// run cleanly (see fileio::InterruptGuard); without --png signals act as usual.
class PngInterruptGuard {
public:
    explicit PngInterruptGuard(const std::optional<PngRequest>& png);

private:
    std::optional<fileio::InterruptGuard> m_guard;
};

// Loads a screenshot exactly as the viewer does (LoadBMP) and prints "status: N", and for a loaded
// bitmap "size: WxH" and "depth: D" (the file's bits per pixel). With `png`, a loaded picture is
// also written to its path as an opaque PNG, under the rules of SingleFileOutput (never over the
// screenshot itself nor into the replay tree). Done only when loaded (and written, when asked);
// 128 + the signal when one stopped the writing.
Status ReportBitmap(const std::string& bmpPath, const std::optional<PngRequest>& png,
                    CommandStreams io);

// The same for a screenshot loaded already: LoadBMP's `status`, and `bitmap` the loaded bitmap
// described by `dib`, or the unusable one the loader left of a refused file (or none).
Status ReportLoadedBitmap(const std::string& bmpPath, int status, const FrameBitmap* bitmap,
                          const DibSection& dib, const std::optional<PngRequest>& png,
                          CommandStreams io);

// Writes `image` to the request's path as a PNG under the rules of SingleFileOutput, never over
// the file at `inputPath`. Failure 1 when refused or not written, 128 + the signal when one
// stopped the writing.
Status WritePngOutput(const PngRequest& png, const QImage& image, const std::string& inputPath);

// Why the loader refused a screenshot: LoadBMP's `status` and the unusable bitmap it left (or
// none), as one clause for an error line.
QString RefusalReason(int status, const FrameBitmap* bitmap);

}  // namespace kelvista::replaycli
