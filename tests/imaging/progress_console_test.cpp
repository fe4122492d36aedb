// The command line's progress display: a bar on a terminal, nothing elsewhere.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "imaging/console_progress.h"

namespace lp {
namespace {

/// Everything written to the read end so far (non-blocking).
std::string Drain(int fd) {
    std::string out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, std::size_t(n));
    }
    return out;
}

class Pipe {
public:
    Pipe() {
        EXPECT_EQ(::pipe(m_fds), 0);
        ::fcntl(m_fds[0], F_SETFL, O_NONBLOCK);
    }
    ~Pipe() {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    int ReadEnd() const { return m_fds[0]; }
    int WriteEnd() const { return m_fds[1]; }

private:
    int m_fds[2] = {-1, -1};
};

/// A pseudo-terminal: the program side is a terminal, the test reads the other side.
class Terminal {
public:
    Terminal() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) return;
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
        ::fcntl(m_master, F_SETFL, O_NONBLOCK);
    }
    ~Terminal() {
        if (m_slave >= 0) ::close(m_slave);
        if (m_master >= 0) ::close(m_master);
    }
    bool Ok() const { return m_slave >= 0; }
    int Program() const { return m_slave; }
    std::string Screen() {
        ::usleep(20000);  // let the terminal pass the bytes on
        return Drain(m_master);
    }

private:
    int m_master = -1;
    int m_slave = -1;
};

TEST(ConsoleProgress, PrintsNothingWhenNotATerminal) {
    Pipe pipe;
    ConsoleProgress progress(pipe.WriteEnd());
    EXPECT_FALSE(progress.Enabled());
    progress.Begin(0, 10, "Loading GIF File ... Frame #1");
    for (int i = 1; i <= 10; ++i) progress.Step(i);
    progress.SetText("Saving GIF File.. Frame #2");
    progress.Step(5);
    progress.End();
    EXPECT_EQ(Drain(pipe.ReadEnd()), "");
}

TEST(ConsoleProgress, DrawsABarOnATerminalAndErasesItAtTheEnd) {
    Terminal tty;
    if (!tty.Ok()) GTEST_SKIP() << "no pseudo-terminal available";
    ConsoleProgress progress(tty.Program());
    ASSERT_TRUE(progress.Enabled());

    progress.Begin(0, 200, "Loading GIF File ... Frame #1");
    EXPECT_EQ(tty.Screen(), "");  // nothing before the first step
    progress.Step(100);
    const std::string half = tty.Screen();
    EXPECT_EQ(half.find('\r'), 0u);
    EXPECT_NE(half.find("Loading GIF File ... Frame #1"), std::string::npos) << half;
    EXPECT_NE(half.find(" 50%"), std::string::npos) << half;
    EXPECT_EQ(half.find('\n'), std::string::npos);  // one line, redrawn in place

    progress.Step(101);  // still 50%: nothing to redraw
    EXPECT_EQ(tty.Screen(), "");
    progress.Step(500);  // past the range: shown full, never more
    EXPECT_NE(tty.Screen().find("100%"), std::string::npos);
    progress.SetText("Saving GIF File.. Frame #2");
    EXPECT_NE(tty.Screen().find("Saving GIF File.. Frame #2"), std::string::npos);
    progress.End();
    EXPECT_EQ(tty.Screen(), "\r\x1b[K");
    progress.End();  // a second End has nothing left to erase
    EXPECT_EQ(tty.Screen(), "");
}

TEST(ConsoleProgress, BeginAndEndWithoutStepLeaveNothing) {
    Terminal tty;
    if (!tty.Ok()) GTEST_SKIP() << "no pseudo-terminal available";
    {
        ConsoleProgress progress(tty.Program());
        progress.Begin(0, 100, "Counting Colors in the Picture ..");
        progress.SetText("Converting");
        progress.End();
    }
    EXPECT_EQ(tty.Screen(), "");
}

TEST(ConsoleProgress, LongTextsAreCutToTheTerminalWidth) {
    Pipe pipe;
    ConsoleProgress progress(pipe.WriteEnd(), true);  // a pipe has no width: 80 columns
    progress.Begin(0, 4, std::string(500, 'x'));
    progress.Step(1);
    const std::string line = Drain(pipe.ReadEnd());
    const std::size_t shown = line.size() - std::string("\r").size() - std::string("\x1b[K").size();
    EXPECT_LE(shown, 79u) << line;
    EXPECT_NE(line.find(" 25%"), std::string::npos);
    // An empty range shows as done rather than dividing by zero.
    progress.Begin(7, 7, "empty");
    progress.Step(7);
    EXPECT_NE(Drain(pipe.ReadEnd()).find("100%"), std::string::npos);
}

}  // namespace
}  // namespace lp
