// Our ANSI emulator drawing through the console backend on a kernel pty.
#ifndef PORTKIT_BENCH_CONSOLE_PTY_RUN_H
#define PORTKIT_BENCH_CONSOLE_PTY_RUN_H

#include <vector>

namespace portkit::bench {

#if defined(PORTKIT_BENCH_CONSOLE_ON_PTY)
constexpr bool kConsoleOnPty = true;
#else
constexpr bool kConsoleOnPty = false;
#endif

// Seconds for the emulator to take all of `stream` from memory and draw it
// on an 80x25 pty whose master is drained as fast as it fills.
double RunConsoleOnPty(const std::vector<char> &stream);

}  // namespace portkit::bench

#endif
