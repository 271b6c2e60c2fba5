// Gives the terminals the console layer changes back as they were: the
// settings (termios) of each one it changed, and plain colours, autowrap and
// a visible cursor on each one it drew on. That happens at exit, on SIGINT,
// SIGTERM and SIGHUP (then the signal takes its default course), and around
// a stop: SIGTSTP restores and stops, SIGCONT applies the layer's settings
// again and asks for a repaint. SIGWINCH asks for the size to be read again.
//
// The handlers are installed the first time a terminal is guarded, and only
// for signals the application does not ignore. A signal the application has
// its own handler for goes on to that handler instead of restoring (it may
// want to carry on); SIGWINCH and SIGCONT reach it after the layer's work.
// Handlers only set flags, call tcsetattr and write the restore sequence,
// all safe in a signal handler.
#ifndef PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_TERMINAL_GUARD_H
#define PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_TERMINAL_GUARD_H

#include <termios.h>

namespace portkit::posix {

// The settings `fd` had before the layer first changed them; read and kept
// on the first call. False if fd is not a terminal or too many are guarded.
bool OriginalTerminalSettings(int fd, termios *original);

// Applies settings to a guarded terminal and remembers them, to apply again
// when the process continues after a stop.
bool ApplyTerminalSettings(int fd, const termios &settings);

// The restore sequence goes to `fd` when the terminal is given back.
void GuardTerminalOutput(int fd);

// Gives fd's terminal back now and forgets it.
void ReleaseTerminal(int fd);

// True once after each SIGWINCH, and after each SIGCONT.
bool TakeResizeRequest();
bool TakeRepaintRequest();

}  // namespace portkit::posix

#endif
