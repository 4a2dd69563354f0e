// Decoding a frame's BMP file to 32-bit pixels: LoadBMP against Qt's reader, stb_image and the
// floor (reading the bytes plus one copy of the result), on generated files of three sizes and
// four layouts. Ratios of LoadBMP's time to each of them are printed in the same run.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "BmpLoader.h"
#include "InputFiles.h"
#include "PeerDecoders.h"
#include "RatioReporter.h"

namespace kelvista::bench {
namespace {

enum class Decoder { Floor, Qt, Stb, Ours };
constexpr Decoder kDecoders[] = {Decoder::Floor, Decoder::Qt, Decoder::Stb, Decoder::Ours};

const char* DecoderName(Decoder decoder) {
    switch (decoder) {
        case Decoder::Floor:
            return "floor";
        case Decoder::Qt:
            return "qt";
        case Decoder::Stb:
            return "stb";
        case Decoder::Ours:
            return "ours";
    }
    return "?";
}

std::string CaseName(FrameSize size, BmpLayout layout, Decoder decoder) {
    return "decode/" + size.name() + "/" + std::string(LayoutName(layout)) + "/" +
           DecoderName(decoder);
}

// The colour bytes as expected and an opaque fourth byte.
bool RowEquals(const uint8_t* decoded, const uint8_t* expected, int32_t width) {
    for (int32_t x = 0; x < width; ++x, decoded += 4, expected += 4) {
        if (std::memcmp(decoded, expected, 3) != 0 || decoded[3] != 0xFF) {
            return false;
        }
    }
    return true;
}

// A row of the masked layout exactly as the file stores it: red, green, blue, fourth byte.
bool RowIsStoredBitfields(const uint8_t* decoded, const uint8_t* expected, int32_t width) {
    for (int32_t x = 0; x < width; ++x, decoded += 4, expected += 4) {
        if (decoded[0] != expected[2] || decoded[1] != expected[1] || decoded[2] != expected[0] ||
            decoded[3] != expected[3]) {
            return false;
        }
    }
    return true;
}

// Whether LoadBMP's result holds the picture, opaque. A top-down 24-bit file may come out either
// way up, and a masked 32-bit file either as stored or with its channels moved to blue, green,
// red, 0xFF.
const char* CheckOurs(const DibSection& dib, const SamplePicture& picture, BmpLayout layout) {
    if (dib.width != picture.width || dib.height != picture.height || dib.bitsPerPixel != 32 ||
        dib.bytesPerRow != picture.width * 4 || dib.bits == nullptr) {
        return "LoadBMP gave the wrong geometry";
    }
    bool upright = true;
    bool flipped = layout == BmpLayout::Rgb24TopDown;
    bool stored = layout == BmpLayout::Rgb32Bitfields;
    for (int32_t y = 0; y < picture.height && (upright || flipped || stored); ++y) {
        const uint8_t* row =
            dib.bits + static_cast<size_t>(y) * static_cast<size_t>(dib.bytesPerRow);
        upright = upright && RowEquals(row, picture.pixel(0, y), picture.width);
        flipped =
            flipped && RowEquals(row, picture.pixel(0, picture.height - 1 - y), picture.width);
        stored = stored && RowIsStoredBitfields(row, picture.pixel(0, y), picture.width);
    }
    return upright || flipped || stored ? nullptr : "LoadBMP gave the wrong pixels";
}

// One decode, checked outside the timing; nullptr when it did its work.
const char* CheckOnce(Decoder decoder, const std::string& path, const SamplePicture& picture,
                      BmpLayout layout, std::vector<uint8_t>& readBuffer) {
    DecodeOutcome outcome;
    switch (decoder) {
        case Decoder::Floor:
            return LoadAtFloor(path, picture.pixelBytes(), readBuffer, outcome) ? nullptr
                                                                                : "read failed";
        case Decoder::Qt:
            return DecodeWithQt(path, outcome) && outcome.width == picture.width &&
                           outcome.height == picture.height
                       ? nullptr
                       : "Qt could not read the file";
        case Decoder::Stb:
            return DecodeWithStb(path, outcome) && outcome.width == picture.width &&
                           outcome.height == picture.height
                       ? nullptr
                       : "stb_image could not read the file";
        case Decoder::Ours: {
            BitmapHandle bitmap;
            DibSection dib;
            return LoadBMP(path, bitmap, dib) == 0 ? CheckOurs(dib, picture, layout)
                                                   : "LoadBMP failed";
        }
    }
    return "unknown decoder";
}

void RunDecode(benchmark::State& state, InputFiles& inputs, FrameSize size, BmpLayout layout,
               Decoder decoder) {
    const std::string& path = inputs.file(size, layout);
    if (path.empty()) {
        state.SkipWithError("could not write the input file");
        return;
    }
    std::vector<uint8_t> readBuffer;
    if (const char* problem = CheckOnce(decoder, path, inputs.picture(size), layout, readBuffer)) {
        state.SkipWithError(problem);
        return;
    }
    const size_t resultBytes = size.bytes32();
    bool failed = false;
    for (auto _ : state) {
        DecodeOutcome outcome;
        switch (decoder) {
            case Decoder::Floor:
                failed |= !LoadAtFloor(path, resultBytes, readBuffer, outcome);
                break;
            case Decoder::Qt:
                failed |= !DecodeWithQt(path, outcome);
                break;
            case Decoder::Stb:
                failed |= !DecodeWithStb(path, outcome);
                break;
            case Decoder::Ours: {
                BitmapHandle bitmap;
                DibSection dib;
                failed |= LoadBMP(path, bitmap, dib) != 0;
                benchmark::DoNotOptimize(dib.bits);
                break;  // the bitmap is released here, as the view releases the previous frame
            }
        }
        benchmark::DoNotOptimize(outcome);
    }
    if (failed) {
        state.SkipWithError("a decode failed while timed");
        return;
    }
    state.counters["MB"] = benchmark::Counter(static_cast<double>(resultBytes) / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

// The targets: for the common 24-bit screenshot against both peers and the floor; for
// the other layouts against the floor.
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
    const std::string ours = CaseName(size, layout, Decoder::Ours);
    const std::string label = size.name() + " " + std::string(LayoutName(layout)) + ": ours / ";
    const bool headline = size.width == 1920 && layout == BmpLayout::Rgb24BottomUp;
    reporter.addRatio({label + "Qt", ours, CaseName(size, layout, Decoder::Qt), "ours/qt",
                       headline ? 1.0 / 3.0 : 0});
    reporter.addRatio({label + "stb", ours, CaseName(size, layout, Decoder::Stb), "ours/stb",
                       headline ? 0.5 : 0});
    reporter.addRatio({label + "floor", ours, CaseName(size, layout, Decoder::Floor), "ours/floor",
                       FloorLimit(size, layout)});
}

std::string Millis(const RatioReporter& reporter, const std::string& name) {
    const std::optional<double> seconds = reporter.secondsPerIteration(name);
    if (!seconds) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", *seconds * 1e3);
    return text;
}

// One row per file: milliseconds per frame of each decoder and LoadBMP's output rate.
void PrintSummary(const RatioReporter& reporter, std::ostream& out) {
    out << "\n| Frame | Layout | floor ms | Qt ms | stb ms | ours ms | ours MB/s |\n"
        << "|---|---|---:|---:|---:|---:|---:|\n";
    for (const FrameSize size : kFrameSizes) {
        for (const BmpLayout layout : kAllBmpLayouts) {
            const std::string ours = CaseName(size, layout, Decoder::Ours);
            const std::optional<double> seconds = reporter.secondsPerIteration(ours);
            if (!seconds) {
                continue;
            }
            char rate[32];
            std::snprintf(rate, sizeof rate, "%.0f",
                          static_cast<double>(size.bytes32()) / 1e6 / *seconds);
            out << "| " << size.name() << " | " << LayoutName(layout) << " | "
                << Millis(reporter, CaseName(size, layout, Decoder::Floor)) << " | "
                << Millis(reporter, CaseName(size, layout, Decoder::Qt)) << " | "
                << Millis(reporter, CaseName(size, layout, Decoder::Stb)) << " | "
                << Millis(reporter, ours) << " | " << rate << " |\n";
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
            // Peers first, so LoadBMP's row can show the ratios.
            for (const Decoder decoder : kDecoders) {
                benchmark::RegisterBenchmark(CaseName(size, layout, decoder).c_str(), RunDecode,
                                             std::ref(inputs), size, layout, decoder)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
            AddRatios(reporter, size, layout);
        }
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter, std::cout);
    reporter.printTargets(std::cout);
    benchmark::Shutdown();
    return 0;
}
