// The viewer end to end: a Next step through 1920 x 1080 frames (command, load, paint) against
// LoadBMP of the same frames, start-up to the first painted info screen against a bare Qt window,
// and the resident memory while a 3840 x 2160 frame is shown. Runs on Qt's offscreen platform
// unless QT_QPA_PLATFORM names another.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <QApplication>

#include "BmpLoader.h"
#include "ChildProcess.h"
#include "MainFrame.h"
#include "MemorySettingsSource.h"
#include "RatioReporter.h"
#include "ReplayApp.h"
#include "ReplayFiles.h"
#include "ReplayView.h"
#include "SilentQuestions.h"
#include "TempFolder.h"
#include "ViewerChildren.h"

namespace kelvista::bench {
namespace {

constexpr FrameSize kStepSize{1920, 1080};
constexpr FrameSize kLargeSize{3840, 2160};
constexpr char kStepLoad[] = "viewer/1920x1080/loadbmp";
constexpr char kStepNext[] = "viewer/1920x1080/next_paint";
constexpr char kStepPaint[] = "viewer/1920x1080/paint_only";
constexpr char kStartBare[] = "startup/bare_qt_window";
constexpr char kStartText[] = "startup/qt_window_with_text";
constexpr char kStartViewer[] = "startup/kelvista";
constexpr char kMemory[] = "memory/3840x2160";

// Everything the viewer benchmarks share, made on first use so a filtered run makes only what
// it measures.
class ViewerBench {
public:
    ViewerBench(int32_t frames, int startups, int repetitions)
        : m_frames(frames), m_startups(startups), m_repetitions(repetitions) {
        m_settings->setText("InstallFolder", stepRoot());
        m_settings->setDword("replay_maxframes", frames);
        SetUserSettingsForTesting(m_settings);
    }
    ~ViewerBench() {
        m_app.reset();
        SetUserSettingsForTesting(nullptr);
    }

    bool ok() const { return !m_folder.path().empty(); }
    int32_t frames() const { return m_frames; }
    int startups() const { return m_startups; }
    int repetitions() const { return m_repetitions; }
    std::string stepRoot() const { return m_folder.path() + "/step"; }

    // The frames the view steps through, in the order Next visits them from frame 0.
    const std::vector<std::string>& stepFrames() {
        if (m_stepFrames.empty() &&
            WriteReplayFrames(stepRoot(), 0, 0, m_frames, kStepSize, BmpLayout::Rgb24BottomUp)) {
            for (int32_t i = 1; i <= m_frames; ++i) {
                m_stepFrames.push_back(ReplayFrameBase(stepRoot(), 0, i % m_frames) + ".bmp");
            }
        }
        return m_stepFrames;
    }

    // The viewer, shown, with every frame visited once (files read, window at the frame's size).
    ReplayView* view() {
        if (m_app || stepFrames().empty()) {
            return m_app ? &m_app->MainFrame()->View() : nullptr;
        }
        m_app = std::make_unique<ReplayApp>();
        if (!m_app->InitInstance()) {
            return nullptr;
        }
        ReplayView& view = m_app->MainFrame()->View();
        view.SetQuestions(std::make_unique<SilentQuestions>(m_messages));
        for (int32_t i = 0; i < m_frames; ++i) {
            Step(view);
        }
        return viewHealthy() ? &view : nullptr;
    }

    bool viewHealthy() const {
        const ReplayView& view = m_app->MainFrame()->View();
        return m_messages == 0 && view.m_dib.width == kStepSize.width &&
               view.m_dib.height == kStepSize.height;
    }

    static void Step(ReplayView& view) {
        view.OnNextFrame();
        view.repaint();
        QCoreApplication::processEvents();
    }

    // A settings file for child processes, pointing at a replay with one large frame.
    const std::string& childConfig() {
        if (m_childConfig.empty()) {
            const std::string root = m_folder.path() + "/large";
            const std::string config = m_folder.path() + "/config";
            if (WriteReplayFrames(root, 0, 1, 1, kLargeSize, BmpLayout::Rgb24BottomUp) &&
                WriteViewerSettings(config, root, 1000)) {
                m_childConfig = config;
            }
        }
        return m_childConfig;
    }

private:
    TempFolder m_folder{"kelvista-bench-viewer"};
    int32_t m_frames;
    int m_startups;
    int m_repetitions;
    std::shared_ptr<MemorySettingsSource> m_settings = std::make_shared<MemorySettingsSource>();
    std::vector<std::string> m_stepFrames;
    std::unique_ptr<ReplayApp> m_app;
    int m_messages = 0;
    std::string m_childConfig;
};

void LoadFrames(benchmark::State& state, ViewerBench& bench) {
    const std::vector<std::string>& frames = bench.stepFrames();
    if (frames.empty()) {
        state.SkipWithError("could not write the frames");
        return;
    }
    size_t next = 0;
    bool failed = false;
    for (auto _ : state) {
        BitmapHandle bitmap;
        DibSection dib;
        failed |= LoadBMP(frames[next], bitmap, dib) != 0;
        benchmark::DoNotOptimize(dib.bits);
        next = (next + 1) % frames.size();
    }
    if (failed) {
        state.SkipWithError("LoadBMP failed");
    }
}

void StepFrames(benchmark::State& state, ViewerBench& bench) {
    ReplayView* view = bench.view();
    if (view == nullptr) {
        state.SkipWithError("the viewer did not show the frames");
        return;
    }
    for (auto _ : state) {
        ViewerBench::Step(*view);
    }
    if (!bench.viewHealthy()) {
        state.SkipWithError("a frame did not load");
    }
}

void PaintFrame(benchmark::State& state, ViewerBench& bench) {
    ReplayView* view = bench.view();
    if (view == nullptr) {
        state.SkipWithError("the viewer did not show the frames");
        return;
    }
    for (auto _ : state) {
        view->repaint();
    }
}

// Time from starting a child process to its first completed paint.
void StartUp(benchmark::State& state, ViewerBench& bench, std::string_view mode) {
    const std::string& config = bench.childConfig();
    if (config.empty()) {
        state.SkipWithError("could not write the settings");
        return;
    }
    const std::string program = OwnExecutable();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now().time_since_epoch();
        const ChildResult child =
            RunChild(program, {std::string(mode)}, {{"XDG_CONFIG_HOME", config}});
        const std::string painted = OutputField(child.output, "painted");
        if (child.exitCode != 0 || painted.empty()) {
            state.SkipWithError("the child did not paint");
            return;
        }
        const auto elapsed =
            std::chrono::nanoseconds(std::stoll(painted)) - std::chrono::nanoseconds(start);
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
}

void PeakMemory(benchmark::State& state, ViewerBench& bench) {
    const std::string& config = bench.childConfig();
    if (config.empty()) {
        state.SkipWithError("could not write the frame");
        return;
    }
    const std::string program = OwnExecutable();
    double idle = 0;
    double peak = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const ChildResult child =
            RunChild(program, {std::string(kChildMemory)}, {{"XDG_CONFIG_HOME", config}});
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (child.exitCode != 0 || OutputField(child.output, "loaded") != kLargeSize.name()) {
            state.SkipWithError("the child did not show the frame");
            return;
        }
        idle = std::stod(OutputField(child.output, "idle"));
        peak = std::stod(OutputField(child.output, "peak"));
    }
    const double frame = static_cast<double>(kLargeSize.bytes32());
    state.counters["idle_MB"] = idle / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["frame_MB"] = frame / 1e6;
    state.counters["growth_frames"] = (peak - idle) / frame;
}

void Register(ViewerBench& bench, RatioReporter& reporter) {
    const int steps = bench.frames();
    benchmark::RegisterBenchmark(kStepLoad, LoadFrames, std::ref(bench))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(steps)
        ->Repetitions(bench.repetitions())
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(kStepNext, StepFrames, std::ref(bench))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(steps)
        ->Repetitions(bench.repetitions())
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(kStepPaint, PaintFrame, std::ref(bench))
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(steps);
    benchmark::RegisterBenchmark(kStartBare, StartUp, std::ref(bench), kChildBareWindow)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(bench.startups())
        ->Repetitions(bench.repetitions())
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(kStartText, StartUp, std::ref(bench), kChildTextWindow)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(bench.startups())
        ->Repetitions(bench.repetitions())
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(kStartViewer, StartUp, std::ref(bench), kChildViewer)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(bench.startups())
        ->Repetitions(bench.repetitions())
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark(kMemory, PeakMemory, std::ref(bench))
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(1);

    reporter.addRatio({"Step (Next through paint) / LoadBMP, 1920x1080", kStepNext, kStepLoad,
                       "step/loadbmp", 1.5});
    reporter.addRatio(
        {"Paint only / LoadBMP, 1920x1080", kStepPaint, kStepLoad, "paint/loadbmp", 0});
    reporter.addRatio({"Start-up to first paint / bare Qt window", kStartViewer, kStartBare,
                       "kelvista/bare", 1.3});
    reporter.addRatio({"Start-up to first paint / Qt window painting a line of text", kStartViewer,
                       kStartText, "kelvista/text", 0});
    reporter.addCounterTarget(
        {"Peak RSS above idle, in 3840x2160 32-bit frames", kMemory, "growth_frames", 2.0});
}

// Takes this program's own option out of the arguments: --kelvista_quick makes a short run
// (fewer frames and start-ups) for the test suite.
bool TakeQuickFlag(int& argc, char** argv) {
    bool quick = false;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--kelvista_quick") == 0) {
            quick = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return quick;
}

}  // namespace
}  // namespace kelvista::bench

int main(int argc, char** argv) {
    using namespace kelvista::bench;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (const int childResult = RunChildMode(argc, argv); childResult >= 0) {
        return childResult;
    }
    QuietenHeadlessWarnings();
    const bool quick = TakeQuickFlag(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    QApplication application(argc, argv);
    RatioReporter reporter;
    {
        ViewerBench bench(quick ? 10 : 200, quick ? 2 : 10, quick ? 1 : 3);
        if (!bench.ok()) {
            std::cerr << "kelvista_bench_viewer: cannot make a temporary folder\n";
            return 1;
        }
        Register(bench, reporter);
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
    reporter.printTargets(std::cout);
    benchmark::Shutdown();
    return 0;
}
