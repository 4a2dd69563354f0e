// Decoding a frame's BMP file to 32-bit pixels: LoadBMP against Qt's reader, stb_image and the
// floor (reading the bytes plus one copy of the result), on generated files of three sizes and
// four layouts. Ratios of LoadBMP's time to each of them are printed in the same run.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <QImage>
#include <QString>

// stb_image is compiled here and only here.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

#include "BmpLoader.h"
#include "RatioReporter.h"
#include "SampleFiles.h"

namespace kelvista::bench {

void RegisterDiffBenchmarks(InputFiles& inputs, RatioReporter& reporter);  // DiffBenchmarks.cpp

namespace {

// What one decode produced, for checking that a timed decode did its work. The pixels are
// released before the decoder returns: allocating and freeing the result is part of the cost.
struct DecodeOutcome {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t firstPixel = 0;  // as the decoder laid it out, read as a little-endian word
};

// Every decoder reads the file at `path`; `resultBytes` and `readBuffer` (kept between calls)
// serve the floor.
using DecodeFunction = bool (*)(const std::string& path, size_t resultBytes,
                                std::vector<uint8_t>& readBuffer, DecodeOutcome& outcome);

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && info.st_size >= 0;
    const size_t size = ok ? static_cast<size_t>(info.st_size) : 0;
    if (buffer.size() < size) {
        buffer.resize(size);
    }
    for (size_t done = 0; ok && done < size;) {
        const ssize_t n = ::read(fd, buffer.data() + done, size - done);
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    ::close(fd);
    return ok;
}

// What any loader must at least do: read the file's bytes into a reused buffer and copy the
// 32-bit result's size from it into a freshly allocated result.
bool LoadAtFloor(const std::string& path, size_t resultBytes, std::vector<uint8_t>& readBuffer,
                 DecodeOutcome& outcome) {
    if (!ReadWholeFile(path, readBuffer)) {
        return false;
    }
    // A 24-bit file is smaller than its 32-bit result; the copy still moves the result's size.
    if (readBuffer.size() < resultBytes) {
        readBuffer.resize(resultBytes);
    }
    const std::unique_ptr<uint8_t[]> result(new (std::nothrow) uint8_t[resultBytes]);
    if (!result) {
        return false;
    }
    std::memcpy(result.get(), readBuffer.data(), resultBytes);
    std::memcpy(&outcome.firstPixel, result.get(), sizeof outcome.firstPixel);
    return true;
}

// Qt's reader: QImage loads the BMP, then converts to Format_RGB32 unless it is already.
bool DecodeWithQt(const std::string& path, size_t, std::vector<uint8_t>&, DecodeOutcome& outcome) {
    QImage image(QString::fromStdString(path), "BMP");
    if (image.isNull()) {
        return false;
    }
    if (image.format() != QImage::Format_RGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    outcome = {image.width(), image.height(), 0};
    std::memcpy(&outcome.firstPixel, image.constBits(), sizeof outcome.firstPixel);
    return true;
}

// stb_image: stbi_load asking for 4 components.
bool DecodeWithStb(const std::string& path, size_t, std::vector<uint8_t>&, DecodeOutcome& outcome) {
    int channelsInFile = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &outcome.width, &outcome.height, &channelsInFile, 4);
    if (pixels == nullptr) {
        return false;
    }
    std::memcpy(&outcome.firstPixel, pixels, sizeof outcome.firstPixel);
    stbi_image_free(pixels);
    return true;
}

// LoadBMP from the path; the bitmap is released on return, as the view releases the previous frame.
bool DecodeWithOurs(const std::string& path, size_t, std::vector<uint8_t>&,
                    DecodeOutcome& outcome) {
    BitmapHandle bitmap;
    DibSection dib;
    if (LoadBMP(path, bitmap, dib) != 0 || dib.bits == nullptr) {
        return false;
    }
    outcome.width = dib.width;
    outcome.height = dib.height;
    return true;
}

struct Decoder {
    const char* name;
    DecodeFunction decode;
};

// Peers first, so that LoadBMP's row can show the ratios.
constexpr Decoder kDecoders[] = {
    {"floor", LoadAtFloor}, {"qt", DecodeWithQt}, {"stb", DecodeWithStb}, {"ours", DecodeWithOurs}};

std::string CaseName(FrameSize size, BmpLayout layout, const char* decoder) {
    return "decode/" + size.name() + "/" + std::string(LayoutName(layout)) + "/" + decoder;
}

// Whether a decoded row holds `expected`'s pixels: blue, green, red (red, green, blue when
// `swapped`), then an opaque fourth byte.
bool RowMatches(const uint8_t* decoded, const uint8_t* expected, int32_t width, bool swapped) {
    for (int32_t x = 0; x < width; ++x, decoded += 4, expected += 4) {
        const uint8_t want[4] = {expected[swapped ? 2 : 0], expected[1], expected[swapped ? 0 : 2],
                                 0xFF};
        if (std::memcmp(decoded, want, 4) != 0) {
            return false;
        }
    }
    return true;
}

// Whether LoadBMP's result holds the picture, every fourth byte 0xFF. A top-down 24-bit file may
// come out either way up, and a masked 32-bit file either as stored (red, green, blue) or with
// its channels moved to blue, green, red. Empty when it does.
const char* CheckOurs(const std::string& path, const SamplePicture& picture, BmpLayout layout) {
    BitmapHandle bitmap;
    DibSection dib;
    if (LoadBMP(path, bitmap, dib) != 0) {
        return "LoadBMP failed";
    }
    if (dib.width != picture.width || dib.height != picture.height || dib.bitsPerPixel != 32 ||
        dib.bytesPerRow != picture.width * 4 || dib.bits == nullptr) {
        return "LoadBMP gave the wrong geometry";
    }
    bool upright = true;
    bool flipped = layout == BmpLayout::Rgb24TopDown;
    bool stored = layout == BmpLayout::Rgb32Bitfields;
    for (int32_t y = 0; y < picture.height && (upright || flipped || stored); ++y) {
        const uint8_t* row = dib.bits + size_t(y) * size_t(dib.bytesPerRow);
        const int32_t width = picture.width;
        upright = upright && RowMatches(row, picture.pixel(0, y), width, false);
        flipped =
            flipped && RowMatches(row, picture.pixel(0, picture.height - 1 - y), width, false);
        stored = stored && RowMatches(row, picture.pixel(0, y), width, true);
    }
    return upright || flipped || stored ? "" : "LoadBMP gave the wrong pixels";
}

// One decode, checked outside the timing; empty when it did its work.
std::string CheckOnce(const Decoder& decoder, const std::string& path, const SamplePicture& picture,
                      BmpLayout layout, std::vector<uint8_t>& readBuffer) {
    DecodeOutcome outcome;
    const std::string name = decoder.name;
    if (!decoder.decode(path, picture.bgrx.size(), readBuffer, outcome)) {
        return name + " could not read the file";
    }
    if (decoder.decode == LoadAtFloor) {
        return "";  // the floor only reads and copies
    }
    if (outcome.width != picture.width || outcome.height != picture.height) {
        return name + " gave the wrong size";
    }
    return decoder.decode == DecodeWithOurs ? CheckOurs(path, picture, layout) : "";
}

void RunDecode(benchmark::State& state, InputFiles& inputs, FrameSize size, BmpLayout layout,
               const Decoder& decoder) {
    const std::string& path = inputs.file(size, layout);
    if (path.empty()) {
        state.SkipWithError("could not write the input file");
        return;
    }
    std::vector<uint8_t> readBuffer;
    const std::string problem = CheckOnce(decoder, path, inputs.picture(size), layout, readBuffer);
    if (!problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    const size_t resultBytes = size.bytes32();
    bool failed = false;
    for (auto _ : state) {
        DecodeOutcome outcome;
        failed |= !decoder.decode(path, resultBytes, readBuffer, outcome);
        benchmark::DoNotOptimize(outcome);
    }
    if (failed) {
        state.SkipWithError("a decode failed while timed");
        return;
    }
    state.counters["MB"] = benchmark::Counter(static_cast<double>(resultBytes) / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

// The targets: for the common 24-bit screenshot against both peers and the floor; for the other
// layouts against the floor.
double FloorLimit(FrameSize size, BmpLayout layout) {
    switch (layout) {
        case BmpLayout::Rgb24BottomUp:
            return size.width == 1920 ? 2.0 : 0;
        case BmpLayout::Rgb32:
            return 1.5;
        case BmpLayout::Rgb24TopDown:
        case BmpLayout::Rgb32Bitfields:
            return 2.5;
    }
    return 0;
}

void AddRatios(RatioReporter& reporter, FrameSize size, BmpLayout layout) {
    const std::string ours = CaseName(size, layout, "ours");
    const std::string label = size.name() + " " + std::string(LayoutName(layout)) + ": ours / ";
    const bool headline = size.width == 1920 && layout == BmpLayout::Rgb24BottomUp;
    reporter.addRatio(
        {label + "Qt", ours, CaseName(size, layout, "qt"), "ours/qt", headline ? 1.0 / 3.0 : 0});
    reporter.addRatio(
        {label + "stb", ours, CaseName(size, layout, "stb"), "ours/stb", headline ? 0.5 : 0});
    reporter.addRatio({label + "floor", ours, CaseName(size, layout, "floor"), "ours/floor",
                       FloorLimit(size, layout)});
}

// One row per file: milliseconds per frame of each decoder and LoadBMP's output rate.
void PrintSummary(const RatioReporter& reporter, std::ostream& out) {
    out << "\n| Frame | Layout | floor ms | Qt ms | stb ms | ours ms | ours MB/s |\n"
        << "|---|---|---:|---:|---:|---:|---:|\n";
    for (const FrameSize size : kFrameSizes) {
        for (const BmpLayout layout : kAllBmpLayouts) {
            const std::optional<double> ours =
                reporter.secondsPerIteration(CaseName(size, layout, "ours"));
            if (!ours) {
                continue;
            }
            out << "| " << size.name() << " | " << LayoutName(layout) << " | ";
            for (const Decoder& decoder : kDecoders) {
                const std::optional<double> seconds =
                    reporter.secondsPerIteration(CaseName(size, layout, decoder.name));
                out << (seconds ? Format("%.3f", *seconds * 1e3) : "-") << " | ";
            }
            out << Format("%.0f", static_cast<double>(size.bytes32()) / 1e6 / *ours) << " |\n";
        }
    }
}

}  // namespace
}  // namespace kelvista::bench

int main(int argc, char** argv) {
    using namespace kelvista::bench;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    InputFiles inputs;
    if (!inputs.ok()) {
        std::cerr << "kelvista_bench: cannot make a temporary folder\n";
        return 1;
    }
    RatioReporter reporter;
    for (const FrameSize size : kFrameSizes) {
        for (const BmpLayout layout : kAllBmpLayouts) {
            for (const Decoder& decoder : kDecoders) {
                benchmark::RegisterBenchmark(CaseName(size, layout, decoder.name).c_str(),
                                             RunDecode, std::ref(inputs), size, layout,
                                             std::cref(decoder))
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
            AddRatios(reporter, size, layout);
        }
    }
    RegisterDiffBenchmarks(inputs, reporter);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter, std::cout);
    reporter.printTargets(std::cout);
    benchmark::Shutdown();
    return 0;
}
