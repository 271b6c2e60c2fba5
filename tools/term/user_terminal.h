// The user's own terminal while `portkit term` runs: raw keys in, bytes out,
// and the terminal's settings put back however the program ends.
#ifndef PORTKIT_TOOLS_TERM_USER_TERMINAL_H
#define PORTKIT_TOOLS_TERM_USER_TERMINAL_H

#include <cstddef>
#include <string_view>

#include "portkit/port.h"

namespace portkit::tool {

// Raw mode: every key reaches us as the bytes the terminal sends (Ctrl-C
// and Ctrl-Z too), and output is not translated. Put back at exit, on
// SIGINT, SIGTERM and SIGHUP, and around a stop.
bool EnterRawTerminal();
void LeaveRawTerminal();
// Back to the user's settings for a while (a transfer with its progress
// line, where Ctrl-C must reach us as a signal), then raw again.
void PauseRawTerminal();
void ResumeRawTerminal();
// Stops the program as Ctrl-Z would in a shell; raw again on return.
void SuspendTerminal();

// The key bytes waiting, at most `size`; 0 when none. Never waits.
std::size_t ReadKeyBytes(char *buffer, std::size_t size);
// Waits up to `milliseconds` for a key; true when one is waiting.
bool WaitForKey(int milliseconds);
// Waits up to `milliseconds` for a key or for news from `port`, whichever
// comes first.
void WaitForKeyOrPort(PortStructure *port, int milliseconds);
// Writes all of `bytes` to the user's screen.
void WriteScreen(std::string_view bytes);
// True once standard input has reached its end (the terminal went away).
bool KeyboardClosed();

}  // namespace portkit::tool

#endif
