// Comparing two 3840x2160 screenshots: CompareFrames after loading both, against loading both
// alone and against ImageMagick's `compare -metric AE` (a child process) on the same two files.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <string>

#include <benchmark/benchmark.h>

#include "BmpLoader.h"
#include "BmpWriter.h"
#include "FrameDiff.h"
#include "RatioReporter.h"
#include "SampleFiles.h"

namespace kelvista::bench {
namespace {

constexpr FrameSize kDiffSize{3840, 2160};

// The second screenshot: the first with a typed word, a cursor and a redrawn panel.
std::string WriteChangedFile(InputFiles& inputs) {
    const std::string& first = inputs.file(kDiffSize, BmpLayout::Rgb24BottomUp);
    SamplePicture picture = inputs.picture(kDiffSize);
    for (const auto [x0, y0, w, h] : {DiffRegion{40, 112, 300, 18}, DiffRegion{1210, 40, 16, 16},
                                      DiffRegion{2000, 1200, 1200, 600}}) {
        for (int32_t y = y0; y < y0 + h; ++y) {
            for (int32_t x = x0; x < x0 + w; ++x) {
                picture.bgrx[(size_t(y) * kDiffSize.width + size_t(x)) * 4 + 1] ^= 0x40;
            }
        }
    }
    const std::string path = first + ".changed.bmp";
    const bool ok = !first.empty() && demo::WriteBmp(QString::fromStdString(path), picture.image(),
                                                     demo::BmpDepth::Rgb24);
    return ok ? path : "";
}

std::optional<FrameDiff> LoadAndCompare(const std::string& a, const std::string& b) {
    BitmapHandle bitmapA, bitmapB;
    DibSection dibA, dibB;
    if (LoadBMP(a, bitmapA, dibA) != 0 || LoadBMP(b, bitmapB, dibB) != 0) {
        return std::nullopt;
    }
    return CompareFrames(dibA, dibB);
}

// ImageMagick's count of differing pixels, which it prints on stderr; nullopt when it did not run.
std::optional<double> ImageMagickCount(const std::string& a, const std::string& b) {
    const std::string outPath = b + ".ae";
    std::string files[] = {a, b};
    char* args[] = {const_cast<char*>("compare"),
                    const_cast<char*>("-metric"),
                    const_cast<char*>("AE"),
                    files[0].data(),
                    files[1].data(),
                    const_cast<char*>("null:"),
                    nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    const bool spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (!spawned || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) > 1) {  // 1: the pictures differ
        return std::nullopt;
    }
    double count = -1;
    return std::ifstream(outPath) >> count ? std::optional<double>(count) : std::nullopt;
}

enum class DiffCase { LoadBoth, Ours, CompareOnly, ImageMagick };

void RunDiff(benchmark::State& state, InputFiles& inputs, DiffCase which) {
    const std::string& first = inputs.file(kDiffSize, BmpLayout::Rgb24BottomUp);
    static const std::string second = WriteChangedFile(inputs);
    const std::optional<FrameDiff> checked = LoadAndCompare(first, second);
    const uint64_t expected = 300 * 18 + 16 * 16 + 1200 * 600;
    if (!checked || checked->changedPixels != expected || checked->regions.size() != 3) {
        state.SkipWithError("CompareFrames gave the wrong result");
        return;
    }
    BitmapHandle bitmapA, bitmapB;
    DibSection dibA, dibB;
    LoadBMP(first, bitmapA, dibA);
    LoadBMP(second, bitmapB, dibB);
    if (which == DiffCase::ImageMagick && ImageMagickCount(first, second) != double(expected)) {
        state.SkipWithError("ImageMagick's compare did not run or counted otherwise");
        return;
    }
    bool failed = false;
    for (auto _ : state) {
        switch (which) {
            case DiffCase::LoadBoth: {
                BitmapHandle a, b;
                DibSection da, db;
                failed |= LoadBMP(first, a, da) != 0 || LoadBMP(second, b, db) != 0;
                break;
            }
            case DiffCase::Ours:
                failed |= LoadAndCompare(first, second)->changedPixels != expected;
                break;
            case DiffCase::CompareOnly:
                failed |= CompareFrames(dibA, dibB)->changedPixels != expected;
                break;
            case DiffCase::ImageMagick:
                failed |= ImageMagickCount(first, second) != double(expected);
                break;
        }
    }
    if (failed) {
        state.SkipWithError("a run failed while timed");
    }
}

}  // namespace

// Registered after the decoders; the ratios land on the row of "diff/.../ours".
void RegisterDiffBenchmarks(InputFiles& inputs, RatioReporter& reporter) {
    const std::string base = "diff/" + kDiffSize.name() + "/";
    const std::pair<const char*, DiffCase> cases[] = {{"load_both", DiffCase::LoadBoth},
                                                      {"compare_only", DiffCase::CompareOnly},
                                                      {"imagemagick", DiffCase::ImageMagick},
                                                      {"ours", DiffCase::Ours}};
    for (const auto& [name, which] : cases) {
        benchmark::RegisterBenchmark((base + name).c_str(), RunDiff, std::ref(inputs), which)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    reporter.addRatio({"diff " + kDiffSize.name() + ": ours / loading both", base + "ours",
                       base + "load_both", "ours/load", 1.3});
    reporter.addRatio({"diff " + kDiffSize.name() + ": ours / ImageMagick compare", base + "ours",
                       base + "imagemagick", "ours/im", 0});
}

}  // namespace kelvista::bench
