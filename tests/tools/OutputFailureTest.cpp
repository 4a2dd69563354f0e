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

// A descriptor closed at the end of the scope.
struct Descriptor {
    explicit Descriptor(int value) : fd(value) {}
    Descriptor(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int fd;
};

// SIGPIPE ignored for the scope, as a caller of the tool may have it.
struct SigpipeIgnored {
    SigpipeIgnored() { previous = std::signal(SIGPIPE, SIG_IGN); }
    SigpipeIgnored(const SigpipeIgnored&) = delete;
    ~SigpipeIgnored() { std::signal(SIGPIPE, previous); }
    void (*previous)(int);
};

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
    const Descriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    EXPECT_GE(full.fd, 0);
    FileOutputBuffer buffer(full.fd);
    std::ostream out(&buffer);
    return RunWithOutput(out, arguments);
}

TEST(FileOutputBuffer, KeepsTheErrorOfTheFirstFailedWriteAndWritesNothingMore) {
    const Descriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_GE(full.fd, 0);
    FileOutputBuffer buffer(full.fd);
    std::ostream out(&buffer);
    out << "a line\n";
    EXPECT_TRUE(out.good()) << "held in the buffer until it is flushed";
    EXPECT_EQ(buffer.error(), 0);
    out.flush();
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(buffer.error(), ENOSPC);
    EXPECT_EQ(WriteError(out), ENOSPC);
    out.clear();
    out << std::string(200000, 'x') << std::flush;
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(buffer.error(), ENOSPC);

    std::ostringstream other;
    EXPECT_EQ(WriteError(other), 0);
}

TEST(FileOutputBuffer, AClosedPipeIsAWriteErrorWhenSigpipeIsIgnored) {
    const SigpipeIgnored ignored;
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    ::close(ends[0]);
    const Descriptor writeEnd(ends[1]);
    FileOutputBuffer buffer(writeEnd.fd);
    std::ostream out(&buffer);
    out << "to nobody" << std::flush;
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(buffer.error(), EPIPE);
}

TEST(FileOutputBuffer, DeliversEveryByteThroughPartialWritesToANonBlockingPipe) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);
    ::fcntl(writeEnd.fd, F_SETPIPE_SZ, 4096);
    ASSERT_EQ(::fcntl(writeEnd.fd, F_SETFL, O_NONBLOCK), 0);
    std::string received;
    std::thread reader([&] {
        char chunk[1000];
        for (ssize_t n; (n = ::read(readEnd.fd, chunk, sizeof chunk)) != 0;) {
            if (n > 0) {
                received.append(chunk, static_cast<size_t>(n));
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
        }
    });
    std::string sent;
    for (int i = 0; i < 20000; ++i) {
        sent += std::to_string(i) + (i % 7 == 0 ? "\n" : " ");
    }
    sent += std::string(150000, 'z');  // larger than the buffer: written straight through
    {
        FileOutputBuffer buffer(writeEnd.fd);
        std::ostream out(&buffer);
        out.write(sent.data(), 1000);
        for (size_t at = 1000; at < sent.size() - 150000; ++at) {
            out << sent[at];
        }
        out.write(sent.data() + sent.size() - 150000, 150000);
        out.flush();
        EXPECT_TRUE(out.good());
        EXPECT_EQ(buffer.error(), 0);
    }
    ::close(writeEnd.fd);
    writeEnd.fd = -1;
    reader.join();
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent);
}

// Whether `fd` has something to read within `milliseconds` (a terminal passes data on a moment
// after it was written).
bool Readable(int fd, int milliseconds) {
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, milliseconds) == 1;
}

void NoteSignal(int) {}

TEST(FileOutputBuffer, GoesOnWritingWhenASignalInterruptsAWrite) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const Descriptor readEnd(ends[0]);
    const Descriptor writeEnd(ends[1]);
    // A full pipe, so that the write blocks until the signals have come.
    ::fcntl(writeEnd.fd, F_SETFL, O_NONBLOCK);
    size_t filled = 0;
    for (char block[4096]{}; ::write(writeEnd.fd, block, sizeof block) > 0;) {
        filled += sizeof block;
    }
    ::fcntl(writeEnd.fd, F_SETFL, 0);
    struct sigaction handler {};
    struct sigaction previous {};
    handler.sa_handler = NoteSignal;  // no SA_RESTART: the blocked write returns EINTR
    ::sigaction(SIGUSR1, &handler, &previous);
    const pthread_t writer = ::pthread_self();
    std::string after;
    std::thread interrupter([&] {
        for (int i = 0; i < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ::pthread_kill(writer, SIGUSR1);
        }
        std::vector<char> block(filled);
        for (size_t at = 0; at < filled;) {
            const ssize_t n = ::read(readEnd.fd, block.data() + at, filled - at);
            at += n > 0 ? static_cast<size_t>(n) : 0;
        }
        char rest[200];
        while (after.size() < 100 && Readable(readEnd.fd, 2000)) {
            const ssize_t n = ::read(readEnd.fd, rest, sizeof rest);
            after.append(rest, n > 0 ? static_cast<size_t>(n) : 0);
        }
    });
    FileOutputBuffer buffer(writeEnd.fd);
    std::ostream out(&buffer);
    out << std::string(100, 'w') << std::flush;
    interrupter.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(after, std::string(100, 'w'));
    EXPECT_TRUE(out.good());
    EXPECT_EQ(buffer.error(), 0);
}

TEST(FileOutputBuffer, WritesEachLineAtOnceToATerminalButHoldsLinesForAPipe) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const Descriptor readEnd(ends[0]);
    const Descriptor writeEnd(ends[1]);
    FileOutputBuffer pipeBuffer(writeEnd.fd);
    std::ostream toPipe(&pipeBuffer);
    toPipe << "held\n";
    EXPECT_FALSE(Readable(readEnd.fd, 0));
    toPipe.flush();
    EXPECT_TRUE(Readable(readEnd.fd, 0));

    const Descriptor terminal(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (terminal.fd < 0 || ::grantpt(terminal.fd) != 0 || ::unlockpt(terminal.fd) != 0) {
        GTEST_SKIP() << "no pseudo-terminal here";
    }
    const Descriptor side(::open(::ptsname(terminal.fd), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_GE(side.fd, 0);
    FileOutputBuffer terminalBuffer(side.fd);
    std::ostream toTerminal(&terminalBuffer);
    toTerminal << "no line yet";
    EXPECT_FALSE(Readable(terminal.fd, 100));
    toTerminal << ", now one\n";
    EXPECT_TRUE(Readable(terminal.fd, 2000));
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
