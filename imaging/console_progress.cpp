#include "imaging/console_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

namespace lp {

ConsoleProgress::ConsoleProgress(int fd) : ConsoleProgress(fd, ::isatty(fd) == 1) {}

ConsoleProgress::ConsoleProgress(int fd, bool enabled) : m_fd(fd), m_enabled(enabled) {}

ConsoleProgress::~ConsoleProgress() { Erase(); }

void ConsoleProgress::Begin(long low, long high, std::string_view text) {
    m_low = low;
    m_high = high;
    m_position = low;
    m_text.assign(text);
    m_running = true;
    m_shownPercent = -1;
}

void ConsoleProgress::Step(long position) {
    if (!m_running) return;
    m_position = position;
    Draw();
}

void ConsoleProgress::SetText(std::string_view text) {
    m_text.assign(text);
    if (m_drawn) Draw();
}

void ConsoleProgress::End() {
    m_running = false;
    Erase();
}

int ConsoleProgress::Columns() const {
    winsize size{};
    if (::ioctl(m_fd, TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) return size.ws_col;
    return 80;
}

void ConsoleProgress::Write(std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // a progress display never fails the operation
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void ConsoleProgress::Draw() {
    if (!m_enabled) return;
    const long span = m_high - m_low;
    const long done = std::clamp(m_position - m_low, 0L, std::max(span, 0L));
    const int percent = span > 0 ? static_cast<int>(done * 100 / span) : 100;
    if (m_drawn && percent == m_shownPercent && m_text == m_shownText) return;

    // "<text> [#####.....] 42%", cut to the terminal's width.
    const int columns = Columns() - 1;  // never touch the last column: some terminals wrap there
    const int barWidth = std::clamp(columns / 3, 10, 40);
    const int textWidth = std::max(0, columns - barWidth - 8);
    std::string line = "\r";
    line.append(m_text, 0, std::min<std::size_t>(m_text.size(), std::size_t(textWidth)));
    line += " [";
    const int filled = percent * barWidth / 100;
    line.append(std::size_t(filled), '#');
    line.append(std::size_t(barWidth - filled), '.');
    char tail[16];
    const int n = std::snprintf(tail, sizeof tail, "] %3d%%", percent);
    line.append(tail, std::size_t(std::max(n, 0)));
    line += "\x1b[K";  // clear what a longer earlier line left
    Write(line);
    m_drawn = true;
    m_shownPercent = percent;
    m_shownText = m_text;
}

void ConsoleProgress::Erase() {
    if (!m_drawn) return;
    Write("\r\x1b[K");
    m_drawn = false;
}

}  // namespace lp
