// A process that used a terminal as its console gives it back as it was,
// whether it exits or is ended by a signal.
#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "portkit/screen.h"
#include "support/pty_pair.h"

namespace portkit {
namespace {

bool SameSettings(const termios &a, const termios &b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
           std::string(reinterpret_cast<const char *>(a.c_cc), NCCS) ==
               std::string(reinterpret_cast<const char *>(b.c_cc), NCCS);
}

bool InRawMode(int fd) {
    termios settings{};
    return tcgetattr(fd, &settings) == 0 && (settings.c_lflag & (ICANON | ECHO | ISIG)) == 0;
}

// The child runs an ANSI console on the slave, tells the parent it has the
// terminal in raw mode, and waits for the word to go.
[[noreturn]] void RunConsoleChild(int slave, int ready, int go, bool end_by_signal) {
    // A process group of its own, under the test's: a stop is not discarded
    // as it would be in an orphaned group.
    setpgid(0, 0);
    EmulatorRecord record{};
    AttachConsoleToEmulator(&record, PORTKIT_CONSOLE_FD(slave), PORTKIT_CONSOLE_FD(slave));
    record.clear_window(record.display);
    record.set_wrap(record.display, 0);
    record.put_string(record.display, "drawn");
    record.read_key(&record);
    char byte = 'r';
    if (write(ready, &byte, 1) != 1 || read(go, &byte, 1) != 1) _exit(2);
    record.destroy(&record);
    if (end_by_signal) raise(SIGTERM);
    std::exit(0);
}

TEST(ConsoleRestore, TerminalSettingsComeBackAtExitOnSignalsAndAroundAStop) {
    for (const bool end_by_signal : {false, true}) {
        SCOPED_TRACE(end_by_signal ? "ended by SIGTERM" : "exit");
        test::PtyPair pty;
        termios before{};
        ASSERT_EQ(tcgetattr(pty.slave(), &before), 0);
        int ready[2], go[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(go), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) RunConsoleChild(pty.slave(), ready[1], go[0], end_by_signal);

        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        EXPECT_TRUE(InRawMode(pty.slave()));
        // Stopped, the terminal is as it was; continued, raw again.
        ASSERT_EQ(kill(child, SIGTSTP), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, WUNTRACED), child);
        EXPECT_TRUE(WIFSTOPPED(status)) << status;
        termios stopped{};
        ASSERT_EQ(tcgetattr(pty.slave(), &stopped), 0);
        EXPECT_TRUE(SameSettings(before, stopped));
        ASSERT_EQ(kill(child, SIGCONT), 0);
        for (int tries = 0; tries < 100 && !InRawMode(pty.slave()); ++tries) usleep(10000);
        EXPECT_TRUE(InRawMode(pty.slave()));
        ASSERT_EQ(write(go[1], &byte, 1), 1);

        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (end_by_signal)
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        else
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        termios after{};
        ASSERT_EQ(tcgetattr(pty.slave(), &after), 0);
        EXPECT_TRUE(SameSettings(before, after));
        // Plain colours, autowrap and the cursor come back on the screen too.
        const std::string shown = pty.ReadMaster(1 << 20, 200);
        EXPECT_TRUE(shown.ends_with("\x1b[0m\x1b[?7h\x1b[?25h")) << testing::PrintToString(shown);
        for (const int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);
    }
}

}  // namespace
}  // namespace portkit
