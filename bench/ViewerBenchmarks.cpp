// The viewer end to end: a Next step through 1920 x 1080 frames (command, load, paint) against
// LoadBMP of the same frames, start-up to the first painted info screen against a bare Qt window,
// and the resident memory while a 3840 x 2160 frame is shown, after one step and with TAB held
// through 60 of them. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM names another.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "BmpLoader.h"
#include "MainFrame.h"
#include "MemorySettingsSource.h"
#include "RatioReporter.h"
#include "ReplayApp.h"
#include "ReplayView.h"
#include "SampleFiles.h"
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
constexpr char kMemoryTabs[] = "memory/3840x2160/tab_held";

// The "key value" lines a child mode printed, by key; none when it did not exit with 0.
using ChildFields = std::map<std::string, std::string>;

ChildFields RunChild(std::string_view mode, const std::string& configHome,
                     const QStringList& arguments = {}) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(configHome));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QString::fromUtf8(mode.data(), qsizetype(mode.size()))} + arguments);
    if (!child.waitForFinished(90000) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        return {};
    }
    ChildFields fields;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (const qsizetype space = line.indexOf(' '); space > 0) {
            fields[line.left(space).toStdString()] = line.mid(space + 1).toStdString();
        }
    }
    return fields;
}

// The value of `key`, or "" when the child did not print it.
std::string Field(const ChildFields& fields, const std::string& key) {
    const auto found = fields.find(key);
    return found == fields.end() ? "" : found->second;
}

// Everything the viewer benchmarks share, made on first use so a filtered run makes only what
// it measures.
class ViewerBench {
public:
    ViewerBench(int32_t frames, int startups, int repetitions, int32_t tabs)
        : m_frames(frames), m_startups(startups), m_repetitions(repetitions), m_tabs(tabs) {
        m_settings->setText(kInstallFolderSetting, stepRoot());
        m_settings->setDword(kMaxFramesSetting, frames);
        SetUserSettingsForTesting(m_settings);
    }
    ~ViewerBench() {
        m_app.reset();
        SetUserSettingsForTesting(nullptr);
    }

    bool ok() const { return m_folder.isValid(); }
    int32_t frames() const { return m_frames; }
    int startups() const { return m_startups; }
    int repetitions() const { return m_repetitions; }
    int32_t tabs() const { return m_tabs; }

    // The frames the view steps through, in the order Next visits them from frame 0.
    const std::vector<std::string>& stepFrames() {
        if (m_stepFrames.empty() && WriteReplayFrames(stepRoot(), 0, m_frames, kStepSize)) {
            for (int32_t i = 1; i <= m_frames; ++i) {
                m_stepFrames.push_back(ReplayFrameBase(stepRoot(), i % m_frames) + ".bmp");
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

    // No message so far, and the view holds a frame of the step size.
    bool viewHealthy() const {
        const QImage& frame = m_app->MainFrame()->View().m_surface.image();
        return m_messages == 0 && frame.width() == kStepSize.width &&
               frame.height() == kStepSize.height;
    }

    static void Step(ReplayView& view) {
        view.OnNextFrame();
        view.repaint();
        QCoreApplication::processEvents();
    }

    // A settings folder for child processes, pointing at a replay of large frames 1 .. tabs().
    const std::string& childConfig() {
        if (m_childConfig.empty()) {
            const std::string root = folder() + "/large";
            const std::string config = folder() + "/config";
            if (LinkReplayFrames(root, 1, m_tabs, kLargeSize) &&
                WriteViewerSettings(config, root, 1000)) {
                m_childConfig = config;
            }
        }
        return m_childConfig;
    }

private:
    std::string folder() const { return m_folder.path().toStdString(); }
    std::string stepRoot() const { return folder() + "/step"; }

    QTemporaryDir m_folder{QDir::tempPath() + "/kelvista-bench-viewer-XXXXXX"};
    int32_t m_frames;
    int m_startups;
    int m_repetitions;
    int32_t m_tabs;
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

// Next through paint when `step`, otherwise the paint alone of the frame shown.
void StepFrames(benchmark::State& state, ViewerBench& bench, bool step) {
    ReplayView* view = bench.view();
    if (view == nullptr) {
        state.SkipWithError("the viewer did not show the frames");
        return;
    }
    for (auto _ : state) {
        if (step) {
            ViewerBench::Step(*view);
        } else {
            view->repaint();
        }
    }
    if (!bench.viewHealthy()) {
        state.SkipWithError("a frame did not load");
    }
}

// Time from starting a child process to its first completed paint.
void StartUp(benchmark::State& state, ViewerBench& bench, std::string_view mode) {
    const std::string& config = bench.childConfig();
    if (config.empty()) {
        state.SkipWithError("could not write the settings");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now().time_since_epoch();
        const std::string painted = Field(RunChild(mode, config), "painted");
        if (painted.empty()) {
            state.SkipWithError("the child did not paint");
            return;
        }
        const auto elapsed = std::chrono::nanoseconds(std::stoll(painted)) - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
}

// Peak resident memory above the info screen's, in large frames: after one Next when `tabs` is
// false, else with TAB held from the info screen to the last large frame.
void PeakMemory(benchmark::State& state, ViewerBench& bench, bool tabs) {
    const std::string& config = bench.childConfig();
    if (config.empty()) {
        state.SkipWithError("could not write the frames");
        return;
    }
    double idle = 0;
    double peak = 0;
    double elapsed = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const ChildFields child =
            tabs ? RunChild(kChildMemoryTabs, config, {QString::number(bench.tabs())})
                 : RunChild(kChildMemory, config);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (Field(child, "loaded") != kLargeSize.name()) {
            state.SkipWithError("the child did not show the frames");
            return;
        }
        idle = std::stod(Field(child, "idle"));
        peak = std::stod(Field(child, "peak"));
        elapsed = std::stod(Field(child, "elapsed"));
    }
    const double frame = static_cast<double>(kLargeSize.bytes32());
    state.counters["idle_MB"] = idle / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["frame_MB"] = frame / 1e6;
    state.counters["growth_frames"] = (peak - idle) / frame;
    if (tabs) {
        // The pace kept: kKeyRepeatMs when every frame loaded and painted between two presses.
        state.counters["ms_per_tab"] = elapsed / 1e6 / bench.tabs();
    }
}

void Register(ViewerBench& bench, RatioReporter& reporter) {
    const auto add = [&bench](const char* name, auto function, auto... arguments) {
        return benchmark::RegisterBenchmark(name, function, std::ref(bench), arguments...)
            ->Unit(benchmark::kMillisecond);
    };
    const auto repeated = [&bench](benchmark::internal::Benchmark* benchmark, int iterations) {
        benchmark->Iterations(iterations)
            ->Repetitions(bench.repetitions())
            ->ReportAggregatesOnly(true);
    };
    repeated(add(kStepLoad, LoadFrames)->UseRealTime(), bench.frames());
    repeated(add(kStepNext, StepFrames, true)->UseRealTime(), bench.frames());
    add(kStepPaint, StepFrames, false)->UseRealTime()->Iterations(bench.frames());
    repeated(add(kStartBare, StartUp, kChildBareWindow)->UseManualTime(), bench.startups());
    repeated(add(kStartText, StartUp, kChildTextWindow)->UseManualTime(), bench.startups());
    repeated(add(kStartViewer, StartUp, kChildViewer)->UseManualTime(), bench.startups());
    add(kMemory, PeakMemory, false)->UseManualTime()->Iterations(1);
    add(kMemoryTabs, PeakMemory, true)->UseManualTime()->Iterations(1);

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
    reporter.addCounterTarget({"Peak RSS above idle with TAB held through " +
                                   std::to_string(bench.tabs()) + " such frames (" +
                                   std::to_string(kKeyRepeatMs) + " ms apart), in frames",
                               kMemoryTabs, "growth_frames", 3.0});
}

// Takes this program's own option out of the arguments: --kelvista_quick makes a short run
// (fewer frames, start-ups and TAB presses) for the test suite.
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
        ViewerBench bench(quick ? 10 : 200, quick ? 2 : 10, quick ? 1 : 3, quick ? 10 : 60);
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
