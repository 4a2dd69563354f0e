#pragma once

// A progress bar on stderr for the long commands; it never shows in redirected output.

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

namespace kelvista::replaycli {

// "check [#######.............]  350/1000" in `width` columns at most.
std::string ProgressBarText(const std::string& label, size_t done, size_t total, size_t width);

// A progress bar on stderr, drawn only when stderr is a terminal and only once the work has run
// for more than half a second, so quick runs and redirected output stay clean.
class Progress {
public:
    Progress(std::string label, size_t total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void advance(size_t count = 1);
    // Takes the bar off the screen so that a line can be printed; the next advance() puts it back.
    void clear();
    // Takes the bar off the screen for good.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    void draw();

    std::string m_label;
    size_t m_total;
    size_t m_done = 0;
    bool m_enabled;
    bool m_drawn = false;
    bool m_cleared = false;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
};

}  // namespace kelvista::replaycli
