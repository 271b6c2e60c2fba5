/*
 * portkit screen output: the console backend, which lets an emulator draw on
 * a character console and read its keys.
 *
 * On Windows the handles are the console's input and output handles
 * (GetStdHandle). On POSIX they are file descriptors of a terminal, carried
 * in a handle by PORTKIT_CONSOLE_FD: CreateAnsiConsoleEmulator(port,
 * PORTKIT_CONSOLE_FD(0), PORTKIT_CONSOLE_FD(1)) runs the terminal on the
 * process's own terminal, which is put in raw mode and restored at exit.
 */
#ifndef PORTKIT_SCREEN_H
#define PORTKIT_SCREEN_H

#include <stdint.h>

#include "portkit/emulator.h"
#include "portkit/export.h"

PORTKIT_BEGIN_DECLS

#if !defined(_WIN32)
#define PORTKIT_CONSOLE_FD(fd) ((EmulatorHandle)(intptr_t)(fd))
#endif

/* Console attributes the attribute operations set. */
#define CONSOLE_ATTRIBUTE_NORMAL 0x17    /* white on blue */
#define CONSOLE_ATTRIBUTE_REVERSE 0x71   /* blue on white */
#define CONSOLE_ATTRIBUTE_INVISIBLE 0x00 /* black on black */
#define CONSOLE_ATTRIBUTE_BLINK 0x0C     /* bright red on black */
#define CONSOLE_ATTRIBUTE_UNDERLINE 0x0F /* bright white on black */

#pragma pack(push, 1)
/* The console backend's state of one emulator, in record->display. */
typedef struct ConsoleDisplay {
    EmulatorHandle output;  /* console screen buffer every drawing call uses */
    int32_t consume_events; /* nonzero: read_key throws away events other than keys */
    int32_t last_key;
    int32_t repeat_count; /* times last_key is still to be returned */
    uint16_t attribute;   /* the console's attribute format */
    void (*previous_destroy)(EmulatorRecord *record);
} ConsoleDisplay;
#pragma pack(pop)

PORTKIT_API void AttachConsoleToEmulator(EmulatorRecord *record, EmulatorHandle input, EmulatorHandle output);
PORTKIT_API EmulatorRecord *CreateAnsiConsoleEmulator(PortStructure *port, EmulatorHandle input, EmulatorHandle output);
PORTKIT_API void ConsumeAllConsoleInput(EmulatorRecord *record, int flag);

/* The display operations of the console backend. */
PORTKIT_API int _win32_read_raw_key(EmulatorRecord *record);
PORTKIT_API void _win32_clear_window(EmulatorHandle display);
PORTKIT_API void _win32_clear_to_eol(EmulatorHandle display);
PORTKIT_API void _win32_goto(EmulatorHandle display, int row, int col);
PORTKIT_API void _win32_putc(EmulatorHandle display, int c);
PORTKIT_API void _win32_puts(EmulatorHandle display, const char *text);
PORTKIT_API void _win32_set_normal(EmulatorHandle display);
PORTKIT_API void _win32_set_reverse(EmulatorHandle display);
PORTKIT_API void _win32_set_bold(EmulatorHandle display);
PORTKIT_API void _win32_set_blink(EmulatorHandle display);
PORTKIT_API void _win32_set_underline(EmulatorHandle display);
PORTKIT_API void _win32_set_invisible(EmulatorHandle display);
PORTKIT_API void _win32_set_foreground(EmulatorHandle display, int colour);
PORTKIT_API void _win32_set_background(EmulatorHandle display, int colour);
PORTKIT_API void _win32_set_wrap(EmulatorHandle display, int on);
PORTKIT_API void _win32_beep(EmulatorHandle display);
PORTKIT_API int _win32_row(EmulatorHandle display);
PORTKIT_API int _win32_col(EmulatorHandle display);
PORTKIT_API int _win32_rows(EmulatorHandle display);
PORTKIT_API int _win32_cols(EmulatorHandle display);

PORTKIT_END_DECLS

#endif
