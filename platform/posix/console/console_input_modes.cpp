#include "platform/posix/console/console_input_modes.h"

#include "platform/posix/console/console_terminal_guard.h"

namespace portkit::posix {

using namespace win32_imitation;

namespace {

void SetFlags(tcflag_t &flags, tcflag_t bits, bool on) { flags = on ? (flags | bits) : (flags & ~bits); }

}  // namespace

DWORD InputModeOf(const termios &settings) {
    DWORD mode = 0;
    if ((settings.c_lflag & ISIG) != 0) mode |= ENABLE_PROCESSED_INPUT;
    if ((settings.c_lflag & ICANON) != 0) mode |= ENABLE_LINE_INPUT;
    if ((settings.c_lflag & ECHO) != 0) mode |= ENABLE_ECHO_INPUT;
    return mode;
}

termios SettingsForInputMode(DWORD mode, const termios &original) {
    termios settings = original;
    SetFlags(settings.c_lflag, ISIG, (mode & ENABLE_PROCESSED_INPUT) != 0);
    SetFlags(settings.c_lflag, ICANON, (mode & ENABLE_LINE_INPUT) != 0);
    SetFlags(settings.c_lflag, ECHO, (mode & ENABLE_ECHO_INPUT) != 0);
    if ((mode & ENABLE_LINE_INPUT) == 0) {
        // Ctrl+S, Ctrl+Q, Ctrl+V and Enter's CR reach the reader as keys.
        settings.c_lflag &= ~static_cast<tcflag_t>(IEXTEN);
        settings.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | BRKINT | ISTRIP);
        settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
    }
    return settings;
}

bool ApplyInputMode(int fd, DWORD mode) {
    termios original{};
    if (!OriginalTerminalSettings(fd, &original)) return false;
    return ApplyTerminalSettings(fd, SettingsForInputMode(mode, original));
}

}  // namespace portkit::posix
