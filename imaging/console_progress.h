#pragma once
#include <string>
#include <string_view>

#include "imaging/progress_sink.h"

namespace lp {

/// The command line's progress display: a one-line bar with the message on a
/// terminal, redrawn in place when the shown percentage changes and erased by
/// End(). On anything but a terminal it writes nothing at all. Nothing is
/// drawn before the first Step, so Begin followed by End leaves no trace.
class ConsoleProgress : public ProgressSink {
public:
    /// fd is the descriptor to draw on (standard error by default).
    explicit ConsoleProgress(int fd = 2);
    /// Draws on fd only when enabled is true, whatever fd is (for tests).
    ConsoleProgress(int fd, bool enabled);
    ~ConsoleProgress() override;
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    void Begin(long low, long high, std::string_view text) override;
    void Step(long position) override;
    void SetText(std::string_view text) override;
    void End() override;

    bool Enabled() const { return m_enabled; }

private:
    void Draw();
    void Erase();
    int Columns() const;
    void Write(std::string_view bytes) const;

    int m_fd;
    bool m_enabled;
    long m_low = 0;
    long m_high = 0;
    long m_position = 0;
    std::string m_text;
    bool m_running = false;
    bool m_drawn = false;  // a line is on the screen
    int m_shownPercent = -1;
    std::string m_shownText;
};

}  // namespace lp
