#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include "BmpBytes.h"
#include "FileDescriptor.h"
#include "FileOutputBuffer.h"
#include "ReplayTree.h"
#include "RunTool.h"
#include "TestPictures.h"
#include "inspect/FrameReport.h"
#include "inspect/ParallelOrdered.h"
#include "inspect/ReplayScan.h"

namespace kelvista::replaycli {
namespace {

using test::RunInProcess;
using test::ToolRun;

// A stream buffer that takes nothing and gives no reason.
class RefusingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

ToolRun RunWithOutput(std::ostream& out, const QStringList& arguments) {
    std::ostringstream err;
    ToolRun run;
    run.code = RunTool(arguments, {out, err});
    run.err = err.str();
    return run;
}

ToolRun RunIntoFullDevice(const QStringList& arguments) {
    const fileio::FileDescriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    EXPECT_TRUE(full.valid());
    fileio::FileOutputBuffer buffer(full.get());
    std::ostream out(&buffer);
    return RunWithOutput(out, arguments);
}

TEST(ToolOutput, OutputThatCannotBeWrittenTurnsSuccessIntoExitOne) {
    test::ReplayTree tree;
    tree.writeFrame(0, 0, test::Bmp24(test::SmallPicture()), "Hand 0\n");
    const QString screenshot = QString::fromStdString(tree.basePath(0, 0) + ".bmp");
    const std::vector<std::pair<QStringList, std::string>> runs = {
        {{"--help"}, ""},
        {{"--version"}, ""},
        {{"ls", "--help"}, "ls: "},
        {{"ls"}, "ls: "},
        {{"ls", "0", "--json"}, "ls: "},
        {{"check"}, "check: "},
        {{"decode", screenshot}, "decode: "},
        {{"frame", "0.0"}, "frame: "},
    };
    for (const auto& [arguments, command] : runs) {
        EXPECT_EQ(RunInProcess(arguments).code, 0) << arguments.join(' ').toStdString();
        const ToolRun run = RunIntoFullDevice(arguments);
        EXPECT_EQ(run.code, 1) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.err, "kelvista-replay: " + command +
                               "cannot write the output: No space left on device\n");
    }
}

TEST(ToolOutput, AFailedCommandKeepsItsCodeAndAStreamWithoutAReasonIsStillReported) {
    test::ReplayTree tree;
    RefusingBuffer refusing;
    std::ostream out(&refusing);
    const ToolRun run = RunWithOutput(out, {"--version"});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "kelvista-replay: cannot write the output\n");

    const ToolRun missing = RunIntoFullDevice({"frame", "0.0"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(test::Lines(missing.err).size(), 2u) << "what failed, then the output";
    EXPECT_EQ(test::Lines(missing.err).back(),
              "kelvista-replay: frame: cannot write the output: No space left on device");
}

TEST(ForEachOrdered, AConsumerThatReturnsFalseStopsTheRun) {
    std::vector<int> items(1000);
    std::atomic<int> worked{0};
    int consumed = 0;
    ForEachOrdered(
        items, [&worked](int) { return ++worked; },
        [&consumed](size_t, int) { return ++consumed < 3; });
    EXPECT_EQ(consumed, 3);
    // The window under way when it stopped, not every item.
    EXPECT_LE(worked.load(), 3 + QThreadPool::globalInstance()->maxThreadCount() * 2 + 2);
}

TEST(InspectSession, AConsumerThatReturnsFalseStopsTheInspection) {
    test::ReplayTree tree;
    for (int32_t frame = 0; frame < 300; ++frame) {
        tree.writeFrame(0, frame, "x", "y");
    }
    const SessionScan scan = ScanSession(0);
    ASSERT_EQ(scan.frames.size(), 300u);
    InspectOptions options;
    options.screenshot = ScreenshotCheck::Probe;
    std::vector<int32_t> frames;
    InspectSession(scan, options, [&frames](FrameReport&& report) {
        frames.push_back(report.frame);
        return frames.size() < 5;
    });
    EXPECT_EQ(frames, (std::vector<int32_t>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace kelvista::replaycli
