#include "cli/Progress.h"

#include <algorithm>

#include <sys/ioctl.h>
#include <unistd.h>

namespace kelvista::replaycli {

namespace {

constexpr auto kQuietPeriod = std::chrono::milliseconds(500);
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

size_t TerminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

}  // namespace

std::string ProgressBarText(const std::string& label, size_t done, size_t total, size_t width) {
    done = std::min(done, total);
    const std::string count = std::to_string(done) + "/" + std::to_string(total);
    const size_t fixed = label.size() + count.size() + 5;  // " [", "] ", and a spare column
    if (width <= fixed + 1) {
        return label + " " + count;
    }
    const size_t barWidth = width - fixed;
    const size_t filled = total == 0 ? barWidth : done * barWidth / total;
    return label + " [" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] " +
           count;
}

Progress::Progress(std::string label, size_t total)
    : m_label(std::move(label)),
      m_total(total),
      m_enabled(isatty(STDERR_FILENO) == 1),
      m_start(Clock::now()),
      m_lastDraw(m_start) {}

Progress::~Progress() {
    finish();
}

void Progress::advance(size_t count) {
    m_done += count;
    if (!m_enabled) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (now - m_start < kQuietPeriod ||
        (!m_cleared && now - m_lastDraw < kRedrawInterval && m_drawn)) {
        return;
    }
    m_lastDraw = now;
    draw();
}

void Progress::draw() {
    const std::string text = ProgressBarText(m_label, m_done, m_total, TerminalColumns());
    std::fprintf(stderr, "\r%s", text.c_str());
    std::fflush(stderr);
    m_drawn = true;
    m_cleared = false;
}

void Progress::clear() {
    if (m_drawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_drawn = false;
        m_cleared = true;
    }
}

void Progress::finish() {
    clear();
    m_enabled = false;
}

}  // namespace kelvista::replaycli
