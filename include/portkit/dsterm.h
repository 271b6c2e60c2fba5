/*
 * portkit terminal window "DSTerm": a PC-style character screen (16
 * foreground and 8 background colours, blinking, a caret, a 15-key queue)
 * that an application places in its own user interface, and on which the
 * ANSI emulator can run. Its characters are those of the IBM PC (code page
 * 437), box-drawing lines and shades included, on every system.
 *
 * Windows: a window class registered by InitDSTerm(hInstance) (null: the
 * program's own instance); windows are made with DSTermCreateWindow or
 * CreateWindowExA with class "DSTerm", and live in the thread's message
 * loop, which the library's waits also run.
 * Linux: libportkit-x11 (link with -lportkit-x11); InitDSTerm takes an Xlib
 * Display * (null opens $DISPLAY) and DSTermCreateWindow gives an X window,
 * carried in the handle. Its events and the blink timer are served inside
 * the library's waits (the port idle wait), so a single-threaded polling
 * loop keeps the window alive.
 *
 * The low byte of a window's style limits its columns and the next byte its
 * rows (0: no limit); the grid is fitted to the window once, at creation.
 */
#ifndef PORTKIT_DSTERM_H
#define PORTKIT_DSTERM_H

#include "portkit/emulator.h"
#include "portkit/export.h"

PORTKIT_BEGIN_DECLS

/* The style bytes limiting a window to `rows` x `cols` cells. */
#define DSTERM_GRID(rows, cols) ((((unsigned long)(rows)&0xFFu) << 8) | ((unsigned long)(cols)&0xFFu))

/* DSTermGetKey on a handle that is no open terminal window (for example one
 * the user closed). */
#define DSTERM_WINDOW_CLOSED (-2)

/* Attribute bytes: foreground bits 0-3, background bits 4-6, blink bit 7. */
#define DSTERM_ATTRIBUTE_NORMAL 0x07
#define DSTERM_ATTRIBUTE_REVERSE 0x70
#define DSTERM_ATTRIBUTE_INVISIBLE 0x00

/* Nonzero on success; 0 when no instance slot is free or the window system
 * cannot be used. */
PORTKIT_API unsigned InitDSTerm(void *instance);
/* A new terminal window; null on failure. A null parent makes a top-level
 * window. On Windows the place and size are CreateWindowExA's (frame
 * included) and window styles (WS_*) may be added in the style's high word. */
PORTKIT_API EmulatorHandle DSTermCreateWindow(EmulatorHandle parent, int x, int y, int width, int height,
                                              unsigned long style);

PORTKIT_API void AttachDSTermToEmulator(EmulatorRecord *record, EmulatorHandle window);
PORTKIT_API EmulatorRecord *CreateAnsiDSTermEmulator(PortStructure *port, EmulatorHandle window);
/* 1 when a key is queued. */
PORTKIT_API int DSTermKbhit(EmulatorHandle window);
/* The oldest queued key, -1 when none (never waits), DSTERM_WINDOW_CLOSED
 * when the window is gone. */
PORTKIT_API int DSTermGetKey(EmulatorHandle window);
/* Writes at most 131 characters of the formatted text. */
PORTKIT_API void DSTermPrintf(EmulatorHandle window, const char *format, ...);

/* The display operations of the terminal window. */
PORTKIT_API int _DSTermGetKey(EmulatorRecord *record);
PORTKIT_API void _DSTermClearWindow(EmulatorHandle window);
PORTKIT_API void _DSTermClearToEol(EmulatorHandle window);
PORTKIT_API void _DSTermGoto(EmulatorHandle window, int row, int col);
PORTKIT_API void _DSTermPutc(EmulatorHandle window, int c);
PORTKIT_API void _DSTermPuts(EmulatorHandle window, const char *text);
PORTKIT_API void _DSTermSetNormal(EmulatorHandle window);
PORTKIT_API void _DSTermSetReverse(EmulatorHandle window);
PORTKIT_API void _DSTermSetBold(EmulatorHandle window);
PORTKIT_API void _DSTermSetBlink(EmulatorHandle window);
PORTKIT_API void _DSTermSetUnderline(EmulatorHandle window);
PORTKIT_API void _DSTermSetInvisible(EmulatorHandle window);
PORTKIT_API void _DSTermSetForeground(EmulatorHandle window, int colour);
PORTKIT_API void _DSTermSetBackground(EmulatorHandle window, int colour);
PORTKIT_API void _DSTermSetWrap(EmulatorHandle window, int on);
PORTKIT_API void _DSTermBeep(EmulatorHandle window);
PORTKIT_API int _DSTermCurrentRow(EmulatorHandle window);
PORTKIT_API int _DSTermCurrentCol(EmulatorHandle window);
PORTKIT_API int _DSTermRows(EmulatorHandle window);
PORTKIT_API int _DSTermCols(EmulatorHandle window);

PORTKIT_END_DECLS

#endif
