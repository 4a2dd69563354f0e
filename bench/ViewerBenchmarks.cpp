// The viewer end to end: a Next step through 1920 x 1080 frames (command, load, paint) against
// LoadBMP of the same frames, start-up to the first painted info screen against a bare Qt window,
// and the resident memory while a 3840 x 2160 frame is shown, after one step and with TAB held
// through 60 of them. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM names another. Also
// kelvista-replay's ls and check over large trees, run as child processes: their time and peak
// resident memory.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
constexpr char kCheckProbe[] = "tool/check/2000x1920x1080";
constexpr char kCheckDeep[] = "tool/check_deep/2000x1920x1080";
constexpr char kLsChanges[] = "tool/ls_changes/2000x1920x1080";
constexpr char kLsSession[] = "tool/ls_session/100000";
constexpr char kLsSessionPeer[] = "coreutils/ls_-l_session/100000";
constexpr char kCheckTree[] = "tool/check/1000x100";
constexpr char kCheckTreePeer[] = "coreutils/ls_-lR_tree/1000x100";

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

// A process run to its end: its exit code, wall time and peak resident set.
struct ProcessRun {
    bool exited = false;
    int code = -1;
    double seconds = 0;
    double peakMB = 0;
    double cpuSeconds = 0;  // user and system, all threads
};

constexpr char kTimeProgram[] = "/usr/bin/time";

// Runs `command` with XDG_CONFIG_HOME set to `configHome` and its stdout in `outPath`, under GNU
// time for its peak resident set: a child's own ru_maxrss would start at this large process's,
// which the child shares until it executes the command, so a small process in between forks it.
ProcessRun RunProcess(const std::vector<std::string>& command, const std::string& configHome,
                      const std::string& outPath) {
    const std::string rssPath = outPath + ".rss";
    std::vector<std::string> argv{kTimeProgram, "-f", "%M %U %S", "-o", rssPath};
    argv.insert(argv.end(), command.begin(), command.end());
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    std::vector<std::string> environment{"XDG_CONFIG_HOME=" + configHome};
    for (char** variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "XDG_CONFIG_HOME=", 16) != 0) {
            environment.emplace_back(*variable);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const bool spawned =
        posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (!spawned || waitpid(pid, &status, 0) != pid) {
        return run;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exited = WIFEXITED(status);
    run.code = run.exited ? WEXITSTATUS(status) : -1;
    std::ifstream rss(rssPath);
    for (std::string line; std::getline(rss, line);) {  // the last line: KiB, seconds, seconds
        double kib = 0;
        double user = 0;
        double system = 0;
        if (std::sscanf(line.c_str(), "%lf %lf %lf", &kib, &user, &system) == 3) {
            run.peakMB = kib * 1024.0 / 1e6;
            run.cpuSeconds = user + system;
        }
    }
    return run;
}

// The trees kelvista-replay is timed on, made of hard links to 4 frames on first use: 2,000 frames
// of 1920 x 1080 in one session, one session of 100,000 small frames and 1,000 sessions of 100
// small frames.
class ToolBench {
public:
    explicit ToolBench(bool quick) : m_quick(quick) {}

    int32_t largeFrames() const { return m_quick ? 20 : 2000; }
    int32_t sessionFrames() const { return m_quick ? 1000 : 100000; }
    int32_t treeSessions() const { return m_quick ? 10 : 1000; }
    static constexpr int32_t kTreeFrames = 100;

    // The settings folder pointing at the tree `name` ("large", "session" or "tree").
    std::string config(const std::string& name) {
        if (m_made.count(name) == 0) {
            m_made[name] = make(name);
        }
        return m_made[name] ? folder() + "/config-" + name : "";
    }
    std::string replay(const std::string& name) const { return folder() + "/" + name + "/replay"; }
    std::string outPath() const { return folder() + "/out.txt"; }

private:
    std::string folder() const { return m_folder.path().toStdString(); }

    bool make(const std::string& name) {
        const std::string root = folder() + "/" + name;
        const std::string sources = folder() + "/sources-" + name;
        const FrameSize size = name == "large" ? kStepSize : FrameSize{16, 9};
        const int32_t distinct = 4;  // a file takes at most 65,000 links on ext4
        if (!m_folder.isValid() || !WriteReplayFrames(sources, 0, distinct, size)) {
            return false;
        }
        std::vector<std::string> screenshots;
        std::vector<std::string> captions;
        for (int32_t i = 0; i < distinct; ++i) {
            screenshots.push_back(ReplayFrameBase(sources, i) + ".bmp");
            captions.push_back(ReplayFrameBase(sources, i) + ".htm");
        }
        const int32_t sessions = name == "tree" ? treeSessions() : 1;
        const int32_t frames = name == "large"     ? largeFrames()
                               : name == "session" ? sessionFrames()
                                                   : kTreeFrames;
        return LinkReplayTree(root, sessions, frames, screenshots, captions) &&
               WriteViewerSettings(folder() + "/config-" + name, root, frames);
    }

    bool m_quick;
    QTemporaryDir m_folder{QDir::tempPath() + "/kelvista-bench-tool-XXXXXX"};
    std::map<std::string, bool> m_made;
};

// How many lines `path` holds, and its last one.
std::pair<size_t, std::string> CountLines(const std::string& path) {
    std::ifstream in(path);
    size_t count = 0;
    std::string line;
    std::string last;
    while (std::getline(in, line)) {
        ++count;
        last.swap(line);
    }
    return {count, last};
}

// Runs `argv` over the tree `name` (once untimed, so the page cache is warm) and checks that it
// exited with `exitCode` and printed `lines` lines (when not 0) ending in `lastLine` (when given).
void RunOverTree(benchmark::State& state, ToolBench& bench, const std::string& name,
                 const std::vector<std::string>& argv, size_t lines, const std::string& lastLine,
                 int exitCode) {
    const std::string config = bench.config(name);
    if (config.empty()) {
        state.SkipWithError("could not make the tree");
        return;
    }
    RunProcess(argv, config, bench.outPath());  // untimed: warms the page cache
    double peakMB = 0;
    double seconds = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const ProcessRun run = RunProcess(argv, config, bench.outPath());
        state.SetIterationTime(run.seconds);
        const auto [count, last] = CountLines(bench.outPath());
        if (!run.exited || run.code != exitCode || (lines > 0 && count != lines) ||
            (!lastLine.empty() && last != lastLine)) {
            state.SkipWithError(("unexpected result: exit " + std::to_string(run.code) + ", " +
                                 std::to_string(count) + " lines, last: " + last)
                                    .c_str());
            return;
        }
        peakMB = std::max(peakMB, run.peakMB);
        seconds += run.seconds;
        cpuSeconds += run.cpuSeconds;
    }
    state.counters["peak_MB"] = peakMB;
    state.counters["seconds"] = seconds / static_cast<double>(state.iterations());
    state.counters["cpu_s"] = cpuSeconds / static_cast<double>(state.iterations());
}

void RegisterTool(ToolBench& bench, RatioReporter& reporter, int repetitions) {
    const std::string tool = KELVISTA_REPLAY_EXECUTABLE;
    const auto add = [&bench, repetitions](const char* name, const std::string& tree,
                                           std::vector<std::string> argv, size_t lines,
                                           std::string last, int exitCode, int iterations) {
        benchmark::RegisterBenchmark(name, RunOverTree, std::ref(bench), tree, argv, lines, last,
                                     exitCode)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(iterations)
            ->Repetitions(repetitions)
            ->ReportAggregatesOnly(repetitions > 1);
    };
    const auto frames = [](int32_t count, int32_t sessions) {
        return "checked " + std::to_string(count) + " frames in " + std::to_string(sessions) +
               (sessions == 1 ? " session: clean" : " sessions: clean");
    };
    add(kCheckProbe, "large", {tool, "check"}, 1, frames(bench.largeFrames(), 1), 0, 5);
    add(kCheckDeep, "large", {tool, "check", "--deep"}, 1, frames(bench.largeFrames(), 1), 0, 2);
    add(kLsChanges, "large", {tool, "ls", "0", "--changes"}, size_t(bench.largeFrames()), "", 0, 2);
    add(kLsSession, "session", {tool, "ls", "0"}, size_t(bench.sessionFrames()), "", 0, 3);
    add(kLsSessionPeer, "session", {"ls", "-l", bench.replay("session") + "/session0"}, 0, "", 0,
        3);
    const int32_t treeFrames = bench.treeSessions() * ToolBench::kTreeFrames;
    add(kCheckTree, "tree", {tool, "check"}, 1, frames(treeFrames, bench.treeSessions()), 0, 3);
    add(kCheckTreePeer, "tree", {"ls", "-lR", bench.replay("tree")}, 0, "", 0, 3);

    reporter.addRatio({"check / check --deep, 2000 frames of 1920x1080", kCheckProbe, kCheckDeep,
                       "probe/deep", 0.05});
    reporter.addRatio({"ls --changes / check --deep, 2000 frames of 1920x1080", kLsChanges,
                       kCheckDeep, "changes/deep", 1.3});
    reporter.addRatio({"ls of a session of 100000 frames / ls -l of its folder", kLsSession,
                       kLsSessionPeer, "ls/ls-l", 0});
    reporter.addRatio({"check of 1000 sessions of 100 frames / ls -lR of the tree", kCheckTree,
                       kCheckTreePeer, "check/ls-lR", 0});
    reporter.addCounterTarget(
        {"ls of a session of 100000 frames, seconds", kLsSession, "seconds", 1.0});
    reporter.addCounterTarget(
        {"ls of a session of 100000 frames, peak RSS MB", kLsSession, "peak_MB", 64});
    reporter.addCounterTarget({"check of 1000 x 100 frames, seconds", kCheckTree, "seconds", 2.0});
    reporter.addCounterTarget(
        {"check of 1000 x 100 frames, peak RSS MB", kCheckTree, "peak_MB", 64});
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
        ViewerBench bench(quick ? 10 : 200, quick ? 2 : 10, quick ? 1 : 5, quick ? 10 : 60);
        if (!bench.ok()) {
            std::cerr << "kelvista_bench_viewer: cannot make a temporary folder\n";
            return 1;
        }
        ToolBench tools(quick);
        Register(bench, reporter);
        RegisterTool(tools, reporter, quick ? 1 : 3);
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
    reporter.printTargets(std::cout);
    benchmark::Shutdown();
    return 0;
}
