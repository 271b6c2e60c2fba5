// Console input modes as terminal settings: processed input is ISIG, line
// input ICANON, echo ECHO. Without line input the terminal passes each byte
// as it comes and as it is: no flow control, no CR to NL, no output
// processing, and reads that never wait.
#ifndef PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_INPUT_MODES_H
#define PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_INPUT_MODES_H

#include <termios.h>

#include "platform/posix/console/win32_console.h"

namespace portkit::posix {

win32_imitation::DWORD InputModeOf(const termios &settings);

// The settings of `mode`, made from the terminal's original ones.
termios SettingsForInputMode(win32_imitation::DWORD mode, const termios &original);

// Gives fd's terminal the settings of `mode`, keeping its original settings
// first. False if fd is not a terminal.
bool ApplyInputMode(int fd, win32_imitation::DWORD mode);

}  // namespace portkit::posix

#endif
