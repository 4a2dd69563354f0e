#include "InterruptSignals.h"

#include <atomic>
#include <csignal>

namespace kelvista::fileio {

namespace {

// Written by the handler, read by the worker threads and the commit: a lock-free atomic, which
// a signal handler may touch.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

struct SavedActions {
    struct sigaction stop[std::size(kStopSignals)];
    struct sigaction fileSize;
};
SavedActions g_saved;
int g_guards = 0;  // guards are made and removed on the main thread only

extern "C" void RecordSignal(int signal) {
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
}

}  // namespace

InterruptGuard::InterruptGuard() {
    if (g_guards++ > 0) {
        return;
    }
    g_signal.store(0);
    struct sigaction record {};
    record.sa_handler = RecordSignal;
    sigemptyset(&record.sa_mask);
    record.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        sigaction(kStopSignals[i], &record, &g_saved.stop[i]);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &g_saved.fileSize);
}

InterruptGuard::~InterruptGuard() {
    if (--g_guards > 0) {
        return;
    }
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        sigaction(kStopSignals[i], &g_saved.stop[i], nullptr);
    }
    sigaction(SIGXFSZ, &g_saved.fileSize, nullptr);
    g_signal.store(0);  // what arrives from now on takes its default course
}

bool InterruptRequested() {
    return g_signal.load(std::memory_order_relaxed) != 0;
}

int InterruptSignal() {
    return g_signal.load(std::memory_order_relaxed);
}

int InterruptExitCode(int signal) {
    return 128 + signal;
}

}  // namespace kelvista::fileio
