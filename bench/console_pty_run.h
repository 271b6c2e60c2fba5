// Our ANSI emulator drawing through the console backend on a kernel pty.
#ifndef PORTKIT_BENCH_CONSOLE_PTY_RUN_H
#define PORTKIT_BENCH_CONSOLE_PTY_RUN_H

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "pty_link.h"

namespace portkit::bench {

// An 80x25 pty as the emulator's screen, its master drained by a thread as
// fast as it fills, and a second pty as a keyboard nobody types at. Kept for
// every round: the console layer keeps its model of each terminal it draws
// on for as long as the process runs.
class ConsoleOnPty {
public:
    ConsoleOnPty();
    ~ConsoleOnPty();
    ConsoleOnPty(const ConsoleOnPty &) = delete;
    ConsoleOnPty &operator=(const ConsoleOnPty &) = delete;

    // Seconds for a new emulator to take all of `stream` from memory and
    // draw it; a huge time if the emulator could not be made.
    double Run(const std::vector<char> &stream);

    // Bytes the terminal has been sent so far.
    std::uint64_t drained() const { return drained_.load(); }

private:
    PtyLink screen_;
    PtyLink keyboard_;
    std::atomic<bool> finished_{false};
    std::atomic<std::uint64_t> drained_{0};
    std::thread drain_;
};

}  // namespace portkit::bench

#endif
