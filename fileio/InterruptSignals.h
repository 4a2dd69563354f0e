#pragma once

// Signal interruption for runs that write files: while an InterruptGuard lives, SIGINT, SIGTERM
// and SIGHUP only record that the run should stop. The run checks between its steps, takes back
// what it wrote and ends with the code a shell expects from a process the signal ended.
//
//     const InterruptGuard guard;
//     for (const Step& step : steps) {
//         if (InterruptRequested()) { undo(); return InterruptExitCode(InterruptSignal()); }
//         step.run();
//     }

namespace kelvista::fileio {

// While an InterruptGuard lives, SIGINT, SIGTERM and SIGHUP do not end the process: the handler
// only records the first of them, and the commands that write files check for it between steps,
// take back what they did and stop with InterruptExitCode(). SIGXFSZ is ignored as well, so that
// going over a file-size limit (ulimit -f) makes write() fail with EFBIG like any other write
// error instead of killing the process. The previous handlers come back when the guard goes.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};

// True once one of the signals arrived while the guard that lives now did. Safe from any thread.
bool InterruptRequested();

// The signal that arrived first, 0 when none did.
int InterruptSignal();

// The exit code of a run stopped by `signal`, as a shell reports a process ended by it:
// 128 + the signal's number (130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP).
int InterruptExitCode(int signal);

}  // namespace kelvista::fileio
