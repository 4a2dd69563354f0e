#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FileDescriptor.h"
#include "FileOutputBuffer.h"

namespace kelvista::fileio {
namespace {

// SIGPIPE ignored for the scope, as a caller of the tool may have it.
struct SigpipeIgnored {
    SigpipeIgnored() { previous = std::signal(SIGPIPE, SIG_IGN); }
    SigpipeIgnored(const SigpipeIgnored&) = delete;
    ~SigpipeIgnored() { std::signal(SIGPIPE, previous); }
    void (*previous)(int);
};

TEST(FileOutputBuffer, KeepsTheErrorOfTheFirstFailedWriteAndWritesNothingMore) {
    const FileDescriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_GE(full.get(), 0);
    FileOutputBuffer buffer(full.get());
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
    const FileDescriptor writeEnd(ends[1]);
    FileOutputBuffer buffer(writeEnd.get());
    std::ostream out(&buffer);
    out << "to nobody" << std::flush;
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(buffer.error(), EPIPE);
}

TEST(FileOutputBuffer, DeliversEveryByteThroughPartialWritesToANonBlockingPipe) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);
    ::fcntl(writeEnd.get(), F_SETPIPE_SZ, 4096);
    ASSERT_EQ(::fcntl(writeEnd.get(), F_SETFL, O_NONBLOCK), 0);
    std::string received;
    std::thread reader([&] {
        char chunk[1000];
        for (ssize_t n; (n = ::read(readEnd.get(), chunk, sizeof chunk)) != 0;) {
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
        FileOutputBuffer buffer(writeEnd.get());
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
    writeEnd.reset();
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
    const FileDescriptor readEnd(ends[0]);
    const FileDescriptor writeEnd(ends[1]);
    // A full pipe, so that the write blocks until the signals have come.
    ::fcntl(writeEnd.get(), F_SETFL, O_NONBLOCK);
    size_t filled = 0;
    for (char block[4096]{}; ::write(writeEnd.get(), block, sizeof block) > 0;) {
        filled += sizeof block;
    }
    ::fcntl(writeEnd.get(), F_SETFL, 0);
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
            const ssize_t n = ::read(readEnd.get(), block.data() + at, filled - at);
            at += n > 0 ? static_cast<size_t>(n) : 0;
        }
        char rest[200];
        while (after.size() < 100 && Readable(readEnd.get(), 2000)) {
            const ssize_t n = ::read(readEnd.get(), rest, sizeof rest);
            after.append(rest, n > 0 ? static_cast<size_t>(n) : 0);
        }
    });
    FileOutputBuffer buffer(writeEnd.get());
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
    const FileDescriptor readEnd(ends[0]);
    const FileDescriptor writeEnd(ends[1]);
    FileOutputBuffer pipeBuffer(writeEnd.get());
    std::ostream toPipe(&pipeBuffer);
    toPipe << "held\n";
    EXPECT_FALSE(Readable(readEnd.get(), 0));
    toPipe.flush();
    EXPECT_TRUE(Readable(readEnd.get(), 0));

    const FileDescriptor terminal(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (terminal.get() < 0 || ::grantpt(terminal.get()) != 0 || ::unlockpt(terminal.get()) != 0) {
        GTEST_SKIP() << "no pseudo-terminal here";
    }
    const FileDescriptor side(::open(::ptsname(terminal.get()), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_GE(side.get(), 0);
    FileOutputBuffer terminalBuffer(side.get());
    std::ostream toTerminal(&terminalBuffer);
    toTerminal << "no line yet";
    EXPECT_FALSE(Readable(terminal.get(), 100));
    toTerminal << ", now one\n";
    EXPECT_TRUE(Readable(terminal.get(), 2000));
}

}  // namespace
}  // namespace kelvista::fileio
