// The subset of the Win32 console API that the console backend uses,
// provided over a VT/xterm terminal on POSIX. A console handle is a file
// descriptor carried in the handle's bits: the input handle reads keys from
// it, the output handle draws on it.
//
// Output keeps a model of the screen (size from TIOCGWINSZ, cells, cursor,
// attribute, wrap) and emits VT sequences so the real terminal matches it.
// Input puts the terminal in raw mode and decodes the key sequences of
// xterm-compatible terminals into key events with Windows virtual-key codes
// and control-key states. The terminal's settings are restored at exit, on
// SIGINT, SIGTERM and SIGHUP, and around a stop (SIGTSTP, SIGCONT).
#ifndef PORTKIT_PLATFORM_POSIX_CONSOLE_WIN32_CONSOLE_H
#define PORTKIT_PLATFORM_POSIX_CONSOLE_WIN32_CONSOLE_H

#include <cstdint>

#include "platform/posix/comm/win32_comm.h"

namespace portkit::win32_imitation {

using SHORT = std::int16_t;
using CHAR = char;
using WCHAR = std::uint16_t;

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

// Input modes.
constexpr DWORD ENABLE_PROCESSED_INPUT = 0x0001, ENABLE_LINE_INPUT = 0x0002, ENABLE_ECHO_INPUT = 0x0004,
                ENABLE_WINDOW_INPUT = 0x0008, ENABLE_MOUSE_INPUT = 0x0010;
// Output modes.
constexpr DWORD ENABLE_PROCESSED_OUTPUT = 0x0001, ENABLE_WRAP_AT_EOL_OUTPUT = 0x0002;

// Event types.
constexpr WORD KEY_EVENT = 0x0001, MOUSE_EVENT = 0x0002, WINDOW_BUFFER_SIZE_EVENT = 0x0004, MENU_EVENT = 0x0008,
               FOCUS_EVENT = 0x0010;

// Control-key states.
constexpr DWORD RIGHT_ALT_PRESSED = 0x0001, LEFT_ALT_PRESSED = 0x0002, RIGHT_CTRL_PRESSED = 0x0004,
                LEFT_CTRL_PRESSED = 0x0008, SHIFT_PRESSED = 0x0010, NUMLOCK_ON = 0x0020, SCROLLLOCK_ON = 0x0040,
                CAPSLOCK_ON = 0x0080, ENHANCED_KEY = 0x0100;

// Character attributes.
constexpr WORD FOREGROUND_BLUE = 0x0001, FOREGROUND_GREEN = 0x0002, FOREGROUND_RED = 0x0004,
               FOREGROUND_INTENSITY = 0x0008, BACKGROUND_BLUE = 0x0010, BACKGROUND_GREEN = 0x0020,
               BACKGROUND_RED = 0x0040, BACKGROUND_INTENSITY = 0x0080;

// Virtual-key codes are in platform/virtual_keys.h, shared with the screens.

struct COORD {
    SHORT X;
    SHORT Y;
};

struct SMALL_RECT {
    SHORT Left;
    SHORT Top;
    SHORT Right;
    SHORT Bottom;
};

struct CONSOLE_SCREEN_BUFFER_INFO {
    COORD dwSize;
    COORD dwCursorPosition;
    WORD wAttributes;
    SMALL_RECT srWindow;
    COORD dwMaximumWindowSize;
};

struct KEY_EVENT_RECORD {
    BOOL bKeyDown;
    WORD wRepeatCount;
    WORD wVirtualKeyCode;
    WORD wVirtualScanCode;
    union {
        WCHAR UnicodeChar;
        CHAR AsciiChar;
    } uChar;
    DWORD dwControlKeyState;
};

struct WINDOW_BUFFER_SIZE_RECORD {
    COORD dwSize;
};

struct FOCUS_EVENT_RECORD {
    BOOL bSetFocus;
};

struct INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
        WINDOW_BUFFER_SIZE_RECORD WindowBufferSizeEvent;
        FOCUS_EVENT_RECORD FocusEvent;
    } Event;
};

HANDLE GetStdHandle(DWORD which);
BOOL GetConsoleMode(HANDLE console, DWORD *mode);
BOOL SetConsoleMode(HANDLE console, DWORD mode);
BOOL SetConsoleTextAttribute(HANDLE output, WORD attribute);
BOOL GetConsoleScreenBufferInfo(HANDLE output, CONSOLE_SCREEN_BUFFER_INFO *info);
BOOL FillConsoleOutputCharacterA(HANDLE output, CHAR c, DWORD length, COORD start, DWORD *written);
BOOL FillConsoleOutputAttribute(HANDLE output, WORD attribute, DWORD length, COORD start, DWORD *written);
BOOL SetConsoleCursorPosition(HANDLE output, COORD position);
BOOL WriteConsoleA(HANDLE output, const void *buffer, DWORD length, DWORD *written, void *reserved);
BOOL PeekConsoleInputA(HANDLE input, INPUT_RECORD *records, DWORD length, DWORD *read);
BOOL ReadConsoleInputA(HANDLE input, INPUT_RECORD *records, DWORD length, DWORD *read);

}  // namespace portkit::win32_imitation

#endif
